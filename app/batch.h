#pragma once

// Named pictures converted without the screen, one after the other: a bitmap
// checked as Enter checks it or, with --fit, any picture decoded and fitted,
// and given the browser's data file beside it. A line on standard output for
// each data file written, one on standard error for each file refused.

#include <optional>
#include <vector>

#include "convert/bitmap_info.h"
#include "convert/dither.h"
#include "convert/fit.h"
#include "services/textforms.h"

// How the named files are converted.
struct ConversionOptions {
    // Any picture, read by its content and fitted within bounds.
    bool fit = false;
    PictureSize bounds{MAX_BITMAP_WIDTH, MAX_BITMAP_HEIGHT};
    // The data file's path instead of "<name>.txt"; "-" is standard output.
    std::optional<Text> output;
    Dither dither = Dither::None;
    // Each picture shown in the terminal as the display will show it,
    // instead of a data file written.
    bool preview = false;
};

inline const Text STANDARD_OUTPUT_NAME = "-";

// Tries every file, whatever became of the ones before; 0 when every one
// was converted, 1 otherwise. SOURCE_DATE_EPOCH, when set, is the labels'
// moment; 2, and nothing converted, when it is not a number of seconds.
int convertFiles(const std::vector<Text>& files, const ConversionOptions& options);
