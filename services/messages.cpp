#include "services/messages.h"

#include "services/host.h"

bool writeOutputLine(const Text& line) {
    return hostWriteOutput(line + "\n");
}

bool writeErrorLine(const Text& line) {
    return hostWriteError(line + "\n");
}
