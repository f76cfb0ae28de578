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
    Text shown;
    const std::string_view bytes(name);
    for (std::size_t at = 0; at < bytes.size();) {
        // A byte that is no UTF-8 is kept as it is.
        char32_t code = 0;
        const std::size_t decoded = decodeUtf8(bytes.substr(at), code, false);
        const std::size_t length = decoded == 0 ? 1 : decoded;
        if (decoded != 0 && isControlOrDirectionMark(code))
            shown += '?';
        else
            shown.append(bytes.substr(at, length));
        at += length;
    }
    return shown;
}
