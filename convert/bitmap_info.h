#pragma once

#include <cstdint>

struct BitmapInfo {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t bitsPerPixel = 0;
};

enum class HeaderVerdict { Ok, WrongSize, WrongDepth, BadFormat };

inline constexpr int MAX_BITMAP_WIDTH = 176;
inline constexpr int MAX_BITMAP_HEIGHT = 132;
inline constexpr int ACCEPTED_BITS_PER_PIXEL = 24;
