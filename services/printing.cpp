#include "services/printing.h"

#include <algorithm>
#include <charconv>

#include "services/console.h"
#include "services/files.h"

namespace {

void writePiece(int destination, const char* bytes, std::size_t count) {
    if (count == 0)
        return;
    if (destination == SCREEN_DESTINATION)
        writeToScreen(bytes, count);
    else
        writeText(destination, bytes, count);
}

void writePiece(int destination, const Text& piece) {
    writePiece(destination, piece.data(), piece.size());
}

std::size_t columnOf(int destination) {
    if (destination == SCREEN_DESTINATION)
        return consoleState().column;
    return fileColumn(destination);
}

void printUnsigned(int destination, unsigned value, PrintSeparator separator) {
    char digits[16];
    char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    if (separator == PrintSeparator::Newline)
        end = std::copy(NEWLINE.begin(), NEWLINE.end(), end);
    writePiece(destination, digits, static_cast<std::size_t>(end - digits));
    if (separator == PrintSeparator::NextZone)
        printSeparator(destination, separator);
}

} // namespace

void printSeparator(int destination, PrintSeparator separator) {
    switch (separator) {
    case PrintSeparator::None:
        break;
    case PrintSeparator::Newline:
        writePiece(destination, NEWLINE);
        break;
    case PrintSeparator::NextZone:
        writePiece(destination, zoneFill(columnOf(destination)));
        break;
    }
}

void printText(int destination, const Text& text, PrintSeparator separator) {
    writePiece(destination, text);
    printSeparator(destination, separator);
}

void printName(int destination, const Text& name, PrintSeparator separator) {
    if (destination != SCREEN_DESTINATION)
        writePiece(destination, name);
    else if (!name.empty())
        writeNameToScreen(name.data(), name.size());
    printSeparator(destination, separator);
}

void printUnsigned16(int destination, std::uint16_t value, PrintSeparator separator) {
    printUnsigned(destination, value, separator);
}

void printUnsigned8(int destination, std::uint8_t value, PrintSeparator separator) {
    printUnsigned(destination, value, separator);
}
