#include "services/standard_io.h"

#include <string_view>

#include "services/host/host.h"

namespace {

// The UTF-8 of the marks that turn text right to left: ALM, LRM, RLM, LRE,
// RLE, PDF, LRO, RLO, LRI, RLI, FSI, PDI.
constexpr std::string_view DIRECTION_MARKS[] = {
    "\xD8\x9C",     "\xE2\x80\x8E", "\xE2\x80\x8F", "\xE2\x80\xAA", "\xE2\x80\xAB", "\xE2\x80\xAC",
    "\xE2\x80\xAD", "\xE2\x80\xAE", "\xE2\x81\xA6", "\xE2\x81\xA7", "\xE2\x81\xA8", "\xE2\x81\xA9"};

// How many bytes of a control or direction mark stand at the start of rest; 0 for none.
std::size_t unsafeLength(std::string_view rest) {
    const auto byte = static_cast<unsigned char>(rest[0]);
    if (byte < 0x20 || byte == 0x7F)
        return 1;
    if (byte == 0xC2 && rest.size() > 1 && static_cast<unsigned char>(rest[1]) <= 0x9F &&
        static_cast<unsigned char>(rest[1]) >= 0x80)
        return 2; // C1
    for (std::string_view mark : DIRECTION_MARKS) {
        if (rest.substr(0, mark.size()) == mark)
            return mark.size();
    }
    return 0;
}

} // namespace

std::vector<Text> programArguments(int argc, char** argv) {
    return hostArguments(argc, argv);
}

bool writeOutputLine(const Text& line) {
    if (hostWriteOutput(line + "\n"))
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
        const std::size_t unsafe = unsafeLength(bytes.substr(at));
        shown += unsafe > 0 ? '?' : bytes[at];
        at += unsafe > 0 ? unsafe : 1;
    }
    return shown;
}
