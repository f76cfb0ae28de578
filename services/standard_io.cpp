#include "services/standard_io.h"

#include <string_view>

#include "services/host/host.h"
#include "services/host/screen_characters.h"
#include "services/host/utf8.h"

std::vector<Text> programArguments(int argc, char** argv) {
    return hostArguments(argc, argv);
}

bool writeOutputLine(const Text& line) {
    return writeOutput(line + "\n");
}

bool writeOutput(const Text& text) {
    if (hostWriteOutput(text))
        return true;
    writeErrorLine("pictoline: standard output could not be written");
    return false;
}

bool writeErrorLine(const Text& line) {
    return hostWriteError(line + "\n");
}

Text nameForLine(const Text& name) {
    if (name.empty())
        return "''";
    return withMarkedAsQuestionMarks(name, isControlOrDirectionMark);
}
