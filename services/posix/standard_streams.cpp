// The arguments, and standard output and standard error for lines outside
// the screen.

#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "services/host/host.h"

namespace {

bool writeAll(int descriptor, const std::string& text) {
    const char* bytes = text.data();
    std::size_t count = text.size();
    while (count > 0) {
        const ssize_t written = write(descriptor, bytes, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

std::vector<std::string> hostArguments(int argc, char** argv) {
    if (argc < 1)
        return {};
    return std::vector<std::string>(argv + 1, argv + argc);
}

bool hostWriteOutput(const std::string& text) {
    return writeAll(STDOUT_FILENO, text);
}

bool hostWriteError(const std::string& text) {
    return writeAll(STDERR_FILENO, text);
}
