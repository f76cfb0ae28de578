#pragma once

// Writing all of a buffer to a descriptor, as the terminal and the standard
// streams do.

#include <unistd.h>

#include <cerrno>
#include <cstddef>

// Writes all bytes unless a write fails; async-signal-safe.
inline bool writeAll(int descriptor, const char* bytes, std::size_t count) {
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
