#pragma once

// Converts the pixels of a validated bitmap to RGB565 values and writes them
// as BASIC source lines to "<name>.txt".

#include <cstdint>

#include "app/program_state.h"

inline constexpr int VALUES_PER_LINE = 8;

constexpr std::uint16_t rgb565(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint16_t>((red >> 3) * 2048 + (green >> 2) * 32 + (blue >> 3));
}

Text dataFileName(const Text& bitmapName);
// Writes the data file of the bitmap open under state.bitmapFileNumber and
// closes both files; false when the data file could not be written whole.
bool writeDataFile(ProgramState& state, const Text& bitmapName);
