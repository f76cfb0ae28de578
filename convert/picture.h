#pragma once

// A picture in memory, as the display is to show it: 8-bit red, green and
// blue for each pixel, rows from the top, each row from the left.

#include <cstddef>
#include <cstdint>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    // width * height * 3 bytes: red, green, blue.
    std::vector<std::uint8_t> rgb;
};

inline std::size_t pixelOffset(const Picture& picture, int x, int y) {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
            static_cast<std::size_t>(x)) *
           3;
}
