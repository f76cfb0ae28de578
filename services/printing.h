#pragma once

// The print calls: texts, names, numbers and separators to the screen
// (destination 0) or a numbered file, each destination keeping its column.

#include <cstdint>

#include "services/textforms.h"

enum class PrintSeparator { None, Newline, NextZone };

inline constexpr int SCREEN_DESTINATION = 0;

void printText(int destination, const Text& text, PrintSeparator separator);
// A name or path as printText prints it, but on the screen as its
// characters: its control bytes show as glyphs and never move the cursor or ring.
void printName(int destination, const Text& name, PrintSeparator separator);
void printUnsigned16(int destination, std::uint16_t value, PrintSeparator separator);
void printUnsigned8(int destination, std::uint8_t value, PrintSeparator separator);
void printSeparator(int destination, PrintSeparator separator);

// The print calls of one destination, in short, for the screens and the data
// file that print piece after piece.
struct Printer {
    int destination;
};
inline constexpr Printer SCREEN{SCREEN_DESTINATION};

inline void write(Printer to, const Text& text) {
    printText(to.destination, text, PrintSeparator::None);
}
inline void writeLine(Printer to, const Text& text) {
    printText(to.destination, text, PrintSeparator::Newline);
}
inline void writeName(Printer to, const Text& name) {
    printName(to.destination, name, PrintSeparator::None);
}
inline void writeNameLine(Printer to, const Text& name) {
    printName(to.destination, name, PrintSeparator::Newline);
}
inline void writeNumber(Printer to, std::uint16_t value) {
    printUnsigned16(to.destination, value, PrintSeparator::None);
}
inline void newline(Printer to) {
    printSeparator(to.destination, PrintSeparator::Newline);
}
