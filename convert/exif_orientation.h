#pragma once

// The orientation a JPEG's EXIF data gives its pixels, and the turn that
// brings them upright.

#include <cstddef>
#include <cstdint>

#include "convert/picture.h"

// EXIF's orientations, 1 to 8: 1 upright, 2 mirrored, 3 turned half round,
// 4 upside down, 5 mirrored along the main diagonal, 6 to be turned a quarter
// clockwise, 7 mirrored along the other diagonal, 8 to be turned a quarter
// anticlockwise.
inline constexpr int UPRIGHT = 1;
inline constexpr int ORIENTATION_COUNT = 8;

// The orientation tag of a JPEG file's EXIF data; UPRIGHT for a file that is
// no JPEG, has no such tag, or holds a value outside 1 to 8.
int exifOrientation(const std::uint8_t* bytes, std::size_t size);
// The picture as it is to be seen: stored in the given orientation, turned
// and mirrored upright. Sides are swapped by 5 to 8.
Picture orientUpright(Picture stored, int orientation);
