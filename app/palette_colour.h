#pragma once

// The 256-colour palette of xterm and the terminals that follow it: the
// colour cube of 16..231 and the grey ramp of 232..255, for a terminal that
// takes no 24-bit colours.

#include <cstdint>

// The palette entry nearest to the colour (by the sum of the squared channel
// differences), from the 6 x 6 x 6 cube (each channel one of 0, 95, 135, 175,
// 215, 255; entry 16 + 36 r + 6 g + b) and the grey ramp (entry 232 + k is
// 8 + 10 k); the cube's entry when both are as near.
std::uint8_t paletteColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
