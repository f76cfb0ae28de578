#pragma once

// Converts the pixels of a validated bitmap to RGB565 values and writes them
// as BASIC source lines to "<name>.txt".

#include <cstdint>

#include "convert/conversion_state.h"

inline constexpr int VALUES_PER_LINE = 8;

// Red in bits 15-11, green in bits 10-5, blue in bits 4-0; each channel keeps
// its high bits.
constexpr std::uint16_t rgb565(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint16_t>((red >> 3) * 2048 + (green >> 2) * 32 + (blue >> 3));
}

// The name as the "'originalname: " line shows it: control bytes become "?",
// so that no name can break the lines of the BASIC source.
Text printableName(const Text& bitmapName);

// Told of pixels once their bytes are read: that many of row y of height rows.
using ProgressReport = void (*)(ConversionState& state, std::uint16_t y, std::uint16_t height,
                                std::uint16_t pixels);

// What became of a data file: written whole and put in place, or not put in
// place at all, because it could not be written or the bitmap ended before
// its last pixel.
enum class DataFileResult { Written, NotWritten, BitmapEnded };

// Writes the data file of the bitmap open under state.bitmapFileNumber at its
// first pixel byte, beside the bitmap at bitmapPath, its "originalname" line
// naming originalName; reports every row's pixels, and closes both files.
DataFileResult writeDataFile(ConversionState& state, const Text& bitmapPath,
                             const Text& originalName, ProgressReport report);
