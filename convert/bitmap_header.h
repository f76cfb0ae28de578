#pragma once

// Reads the fixed header of a 24-bit bitmap: a quiet peek for the browser and
// a validating read that leaves the file open at its first pixel byte.

#include <cstdint>

#include "convert/bitmap_info.h"
#include "services/textforms.h"

// The bitmap being read: the file number it is read under, taken once at
// start-up, its width and height, and the byte last read from its header.
struct BitmapReading {
    int fileNumber = 0;
    BitmapInfo info;
    std::uint8_t headerByte = 0;
};

// The width, height and bit count of the named file, or 0, 0, 0 when it is
// not a bitmap; the file is opened under fileNumber and closed again.
BitmapInfo peekBitmapHeader(const Text& name, int fileNumber);
// Validates the named file, every byte read through bitmap.headerByte; on Ok
// it stays open under bitmap.fileNumber with the next byte read the first
// pixel byte.
HeaderVerdict readBitmapHeader(BitmapReading& bitmap, const Text& name);
