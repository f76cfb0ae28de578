#pragma once

// Converts the pixels of a validated bitmap to RGB565 values and writes them
// as BASIC source lines to "<name>.txt".

#include <cstdint>
#include <functional>

#include "convert/bitmap_header.h"
#include "convert/picture.h"
#include "services/textforms.h"

inline constexpr int VALUES_PER_LINE = 8;
inline constexpr std::uint16_t BLOCK_LIMIT = 3072;
inline constexpr std::size_t TIMESTAMP_WIDTH = 20;
inline constexpr std::size_t BLOCK_LABEL_WIDTH = 20;

// What the writer keeps while it writes a data file: its counters, and the
// texts of its block labels.
struct DataWriting {
    // Starting above 7 makes the first pixel open a new data line.
    std::uint8_t valuesOnLine = 10;
    std::uint16_t valuesInBlock = 0;
    std::uint16_t blockLimit = BLOCK_LIMIT;
    std::uint16_t blockNumber = 0;
    FixedField timestamp = makeField(TIMESTAMP_WIDTH);
    FixedField blockLabel = makeField(BLOCK_LABEL_WIDTH);
};

// Red in bits 15-11, green in bits 10-5, blue in bits 4-0; each channel keeps
// its high bits.
constexpr std::uint16_t rgb565(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint16_t>((red >> 3) * 2048 + (green >> 2) * 32 + (blue >> 3));
}

// Told of pixels once their bytes are read: that many of row y of height rows.
using ProgressReport =
    std::function<void(std::uint16_t y, std::uint16_t height, std::uint16_t pixels)>;

// What became of a data file: written whole and put in place, or not put in
// place at all, because it could not be written or the bitmap ended before
// its last pixel.
enum class DataFileResult { Written, NotWritten, BitmapEnded };

// Where a data file goes: a file of that path, or standard output.
struct DataFileTarget {
    Text path;
    bool standardOutput = false;
};

// Writes the data file of the bitmap open at its first pixel byte, beside
// the bitmap at bitmapPath, its "originalname" line naming originalName, a
// name's control bytes written as "?" so that none breaks the BASIC source;
// reports every row's pixels, and closes both files. The writing starts from
// its start values.
DataFileResult writeDataFile(const BitmapReading& bitmap, DataWriting& writing,
                             const Text& bitmapPath, const Text& originalName,
                             const ProgressReport& report);
// The same, to the target given.
DataFileResult writeBitmapDataFile(const BitmapReading& bitmap, DataWriting& writing,
                                   const DataFileTarget& target, const Text& originalName,
                                   const ProgressReport& report);
// The data file of a picture in memory, of at most 176 x 132 pixels: the
// same lines a bitmap of those pixels gives.
DataFileResult writePictureDataFile(const Picture& picture, DataWriting& writing,
                                    const DataFileTarget& target, const Text& originalName,
                                    const ProgressReport& report);
