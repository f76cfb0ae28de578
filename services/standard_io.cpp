#include "services/standard_io.h"

#include "services/host/host.h"

std::vector<Text> programArguments(int argc, char** argv) {
    return hostArguments(argc, argv);
}

bool writeOutputLine(const Text& line) {
    return hostWriteOutput(line + "\n");
}

bool writeErrorLine(const Text& line) {
    return hostWriteError(line + "\n");
}
