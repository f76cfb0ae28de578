// The clocks on Windows: the monotonic one for waits, the local time for the
// data file's labels, and sleeping.

#include <windows.h>

#include <cstdint>
#include <ctime>

#include "services/host/host.h"

std::int64_t hostMonotonicMs() {
    return static_cast<std::int64_t>(GetTickCount64());
}

std::tm hostLocalTime() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    return local != nullptr ? *local : std::tm{};
}

void hostSleepMs(int milliseconds) {
    if (milliseconds > 0)
        Sleep(static_cast<DWORD>(milliseconds));
}
