// The clocks on POSIX: the monotonic one for waits, the local time for the
// data file's labels, and sleeping.

#include <time.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

#include "services/host/host.h"

std::int64_t hostMonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::tm hostLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    return localtime_r(&now, &local) != nullptr ? local : std::tm{};
}

void hostSleepMs(int milliseconds) {
    if (milliseconds <= 0)
        return;
    timespec rest{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}
