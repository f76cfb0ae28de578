#pragma once

// Named bitmaps converted without the screen, one after the other: each
// checked as Enter checks it and, when it passes, given the same data file
// beside it. A line on standard output for each data file written, one on
// standard error for each file refused.

#include <vector>

#include "services/textforms.h"

// Tries every file, whatever became of the ones before; 0 when every one
// was converted, 1 otherwise. SOURCE_DATE_EPOCH, when set, is the labels'
// moment; 2, and nothing converted, when it is not a number of seconds.
int convertFiles(const std::vector<Text>& files);
