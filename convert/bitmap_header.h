#pragma once

// Reads the fixed header of a 24-bit bitmap: a quiet peek for the browser and
// a validating read that leaves the file open at its first pixel byte.

#include "app/program_state.h"
#include "services/textforms.h"

// Sets state.info to the width, height and bit count read, or to 0, 0, 0 when
// the file is not a bitmap; the file is closed again.
void peekBitmapHeader(ProgramState& state, const Text& name);
// Validates the named file; on Ok it stays open under state.bitmapFileNumber
// with the next byte read the first pixel byte.
HeaderVerdict readBitmapHeader(ProgramState& state, const Text& name);
