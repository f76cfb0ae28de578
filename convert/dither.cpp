#include "convert/dither.h"

#include <algorithm>
#include <array>
#include <vector>

#include "convert/display_colours.h"

namespace {

constexpr int CHANNELS = 3;
constexpr int BAYER_SIZE = 8;
constexpr int BAYER_CELLS = BAYER_SIZE * BAYER_SIZE;
constexpr int BAYER[BAYER_SIZE][BAYER_SIZE] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

constexpr float AHEAD = 7.0F / 16;
constexpr float BELOW_BEHIND = 3.0F / 16;
constexpr float BELOW = 5.0F / 16;
constexpr float BELOW_AHEAD = 1.0F / 16;
constexpr float CHANNEL_MAX = 255;

// The levels of one channel: for each 8-bit value, the highest level whose
// expanded value is at or below it.
struct ChannelLevels {
    int bits = 0;
    unsigned top = 0;
    std::array<std::uint8_t, 256> below{};
};

constexpr ChannelLevels levelsOf(int bits) {
    ChannelLevels levels;
    levels.bits = bits;
    levels.top = (1U << bits) - 1;
    unsigned level = 0;
    for (unsigned value = 0; value < 256; ++value) {
        while (level < levels.top && expandedLevel(level + 1, bits) <= value)
            ++level;
        levels.below[value] = static_cast<std::uint8_t>(level);
    }
    return levels;
}

constexpr std::array<ChannelLevels, CHANNELS> LEVELS = {levelsOf(RED_BITS), levelsOf(GREEN_BITS),
                                                        levelsOf(BLUE_BITS)};

// The two shown values around value: the same one twice when value is shown exactly.
struct Around {
    int lower = 0;
    int upper = 0;
};

Around shownAround(const ChannelLevels& levels, int value) {
    const unsigned level = levels.below[static_cast<std::size_t>(value)];
    const int lower = expandedLevel(level, levels.bits);
    if (lower == value || level == levels.top)
        return {lower, lower};
    return {lower, expandedLevel(level + 1, levels.bits)};
}

// The upper value when the value's place between the two passes the
// threshold's, (threshold + 1/2) / 64; compared in whole numbers.
std::uint8_t orderedValue(const ChannelLevels& levels, int value, int threshold) {
    const Around around = shownAround(levels, value);
    const bool upper = (value - around.lower) * 2 * BAYER_CELLS >
                       (2 * threshold + 1) * (around.upper - around.lower);
    return static_cast<std::uint8_t>(upper ? around.upper : around.lower);
}

void ditherOrdered(Picture& picture) {
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const int threshold = BAYER[y % BAYER_SIZE][x % BAYER_SIZE];
            const std::size_t at = pixelOffset(picture, x, y);
            for (int c = 0; c < CHANNELS; ++c) {
                std::uint8_t& value = picture.rgb[at + static_cast<std::size_t>(c)];
                value = orderedValue(LEVELS[static_cast<std::size_t>(c)], value, threshold);
            }
        }
    }
}

// The shown value nearest to value (0..255); the lower one when both are as near.
int nearestShown(const ChannelLevels& levels, float value) {
    const unsigned level = levels.below[static_cast<std::size_t>(value)];
    const int lower = expandedLevel(level, levels.bits);
    if (level == levels.top)
        return lower;
    const int upper = expandedLevel(level + 1, levels.bits);
    return value - static_cast<float>(lower) <= static_cast<float>(upper) - value ? lower : upper;
}

// The errors carried to the pixels of one row, three channels a pixel.
using RowErrors = std::vector<float>;

void spread(RowErrors& errors, int x, int width, int channel, float error) {
    if (x < 0 || x >= width)
        return;
    errors[static_cast<std::size_t>(x * CHANNELS + channel)] += error;
}

void diffuseRow(Picture& picture, int y, RowErrors& current, RowErrors& next) {
    const int step = y % 2 == 0 ? 1 : -1;
    const int width = picture.width;
    for (int i = 0; i < width; ++i) {
        const int x = step == 1 ? i : width - 1 - i;
        const std::size_t at = pixelOffset(picture, x, y);
        for (int c = 0; c < CHANNELS; ++c) {
            std::uint8_t& pixel = picture.rgb[at + static_cast<std::size_t>(c)];
            const float wanted = std::clamp(static_cast<float>(pixel) +
                                                current[static_cast<std::size_t>(x * CHANNELS + c)],
                                            0.0F, CHANNEL_MAX);
            const int shown = nearestShown(LEVELS[static_cast<std::size_t>(c)], wanted);
            const float error = wanted - static_cast<float>(shown);
            pixel = static_cast<std::uint8_t>(shown);
            spread(current, x + step, width, c, error * AHEAD);
            spread(next, x - step, width, c, error * BELOW_BEHIND);
            spread(next, x, width, c, error * BELOW);
            spread(next, x + step, width, c, error * BELOW_AHEAD);
        }
    }
}

void ditherDiffuse(Picture& picture) {
    const auto rowSize = static_cast<std::size_t>(picture.width) * CHANNELS;
    RowErrors current(rowSize, 0.0F);
    RowErrors next(rowSize, 0.0F);
    for (int y = 0; y < picture.height; ++y) {
        diffuseRow(picture, y, current, next);
        current.swap(next);
        std::fill(next.begin(), next.end(), 0.0F);
    }
}

} // namespace

void ditherPicture(Picture& picture, Dither dither) {
    switch (dither) {
    case Dither::None:
        break;
    case Dither::Ordered:
        ditherOrdered(picture);
        break;
    case Dither::Diffuse:
        ditherDiffuse(picture);
        break;
    }
}
