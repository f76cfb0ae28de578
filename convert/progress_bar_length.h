#pragma once

// The length of the progress bar, computed exactly as the x87 extended format
// (64-bit significand, round to nearest, ties to even) computes it, on every
// platform and compiler.

#include <cstdint>

inline constexpr int PROGRESS_BAR_LENGTH = 30;

// y / (height / 30), each step rounded to the extended format, the quotient
// then rounded to a whole number with an exact half going to the even
// neighbour. For 1 <= y <= height the result is 0 to 30; a height of 0 gives 0.
std::uint16_t progressBarLength(std::uint16_t y, std::uint16_t height);
