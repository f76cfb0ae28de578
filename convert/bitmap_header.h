#pragma once

// Reads the fixed header of a 24-bit bitmap: a quiet peek for the browser and
// a validating read that leaves the file open at its first pixel byte.

#include "convert/bitmap_info.h"
#include "convert/conversion_state.h"
#include "services/textforms.h"

// The width, height and bit count of the named file, or 0, 0, 0 when it is
// not a bitmap; the file is opened under fileNumber and closed again.
BitmapInfo peekBitmapHeader(const Text& name, int fileNumber);
// Validates the named file, every byte read through state.headerByte; on Ok
// it stays open under state.bitmapFileNumber with the next byte read the
// first pixel byte.
HeaderVerdict readBitmapHeader(ConversionState& state, const Text& name);
