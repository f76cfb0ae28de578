// The arguments, and standard output and standard error for lines outside
// the screen.

#include <unistd.h>

#include <cstdio>

#include <string>
#include <vector>

#include "services/host/host.h"
#include "services/posix/write_all.h"

std::vector<std::string> hostArguments(int argc, char** argv) {
    if (argc < 1)
        return {};
    return std::vector<std::string>(argv + 1, argv + argc);
}

bool hostWriteOutput(const std::string& text) {
    return writeAll(STDOUT_FILENO, text.data(), text.size());
}

bool hostWriteError(const std::string& text) {
    return writeAll(STDERR_FILENO, text.data(), text.size());
}

std::FILE* hostBinaryStandardOutput() {
    return stdout;
}
