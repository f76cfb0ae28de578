#pragma once

// The data file stands beside its bitmap, under the bitmap's full name with
// ".txt" appended: "pic.bmp" gives "pic.bmp.txt".

#include "services/textforms.h"

inline const Text DATA_FILE_SUFFIX = ".txt";

inline Text dataFileName(const Text& bitmapName) {
    return bitmapName + DATA_FILE_SUFFIX;
}
