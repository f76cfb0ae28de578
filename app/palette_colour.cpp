#include "app/palette_colour.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

constexpr std::array<int, 6> CUBE_LEVELS = {0, 95, 135, 175, 215, 255};
constexpr int CUBE_START = 16;
constexpr int GREY_START = 232;
constexpr int GREY_COUNT = 24;
constexpr int GREY_FIRST = 8;
constexpr int GREY_STEP = 10;

// The cube level nearest to value; the lower one when two are as near.
int cubeIndex(int value) {
    int best = 0;
    for (int i = 1; i < static_cast<int>(CUBE_LEVELS.size()); ++i) {
        if (std::abs(CUBE_LEVELS[static_cast<std::size_t>(i)] - value) <
            std::abs(CUBE_LEVELS[static_cast<std::size_t>(best)] - value))
            best = i;
    }
    return best;
}

int squared(int difference) {
    return difference * difference;
}

} // namespace

std::uint8_t paletteColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const int r = cubeIndex(red);
    const int g = cubeIndex(green);
    const int b = cubeIndex(blue);
    const int cubeDistance = squared(CUBE_LEVELS[static_cast<std::size_t>(r)] - red) +
                             squared(CUBE_LEVELS[static_cast<std::size_t>(g)] - green) +
                             squared(CUBE_LEVELS[static_cast<std::size_t>(b)] - blue);
    // The grey nearest to a colour is the one nearest to its mean, sum / 3:
    // k is (sum / 3 - 8) / 10 rounded, in whole numbers.
    const int sum = red + green + blue;
    const int k =
        std::clamp((sum - 3 * GREY_FIRST + 3 * GREY_STEP / 2) / (3 * GREY_STEP), 0, GREY_COUNT - 1);
    const int grey = GREY_FIRST + GREY_STEP * k;
    const int greyDistance = squared(grey - red) + squared(grey - green) + squared(grey - blue);
    if (greyDistance < cubeDistance)
        return static_cast<std::uint8_t>(GREY_START + k);
    return static_cast<std::uint8_t>(CUBE_START + 36 * r + 6 * g + b);
}
