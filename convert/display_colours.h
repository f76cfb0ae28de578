#pragma once

// The colour the display shows for a pixel: the RGB565 value the data file
// holds, expanded back to 8 bits per channel by repeating each channel's
// high bits, as a 16-bit display does.

#include <cstdint>

#include "convert/data_writer.h"
#include "convert/picture.h"

inline constexpr int RED_BITS = 5;
inline constexpr int GREEN_BITS = 6;
inline constexpr int BLUE_BITS = 5;

// One colour, 8 bits per channel.
struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

// A channel of bits width (5 or 6) at level, as 8 bits: the level, then its
// own high bits below it (level 31 of 5 bits is 255, level 1 is 8).
constexpr std::uint8_t expandedLevel(unsigned level, int bits) {
    return static_cast<std::uint8_t>(level << (8 - bits) | level >> (2 * bits - 8));
}

// An RGB565 value as the display shows it.
constexpr Colour shownColour(std::uint16_t value) {
    return {expandedLevel(value >> 11, RED_BITS), expandedLevel(value >> 5 & 0x3F, GREEN_BITS),
            expandedLevel(value & 0x1F, BLUE_BITS)};
}

// A colour as the display shows it once the data file has packed it.
constexpr Colour shownColour(Colour colour) {
    return shownColour(rgb565(colour.red, colour.green, colour.blue));
}

// Every pixel of the picture as the display shows it; an expanded colour
// stays as it is.
Picture shownPicture(const Picture& picture);
