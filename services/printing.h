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
