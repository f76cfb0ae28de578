#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "convert/display_colours.h"
#include "convert/dither.h"

namespace {

constexpr Dither DITHERS[] = {Dither::Ordered, Dither::Diffuse};

Picture filled(int width, int height, Colour colour) {
    Picture picture{width, height, {}};
    for (int i = 0; i < width * height; ++i)
        picture.rgb.insert(picture.rgb.end(), {colour.red, colour.green, colour.blue});
    return picture;
}

// Every pixel a shown colour of a random RGB565 value, or any random colour.
Picture randomPicture(int width, int height, bool shownOnly) {
    std::mt19937 random(7);
    Picture picture{width, height, {}};
    for (int i = 0; i < width * height; ++i) {
        Colour colour{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                      static_cast<std::uint8_t>(random())};
        if (shownOnly)
            colour = shownColour(static_cast<std::uint16_t>(random()));
        picture.rgb.insert(picture.rgb.end(), {colour.red, colour.green, colour.blue});
    }
    return picture;
}

TEST(Dither, ShownColoursComeOutUnchanged) {
    const Colour flats[] = {{0, 0, 0},   {255, 255, 255}, {255, 0, 0},    {0, 255, 0},
                            {0, 0, 255}, {132, 130, 132}, {123, 125, 123}};
    for (const Dither dither : DITHERS) {
        for (const Colour& colour : flats) {
            Picture picture = filled(20, 10, colour);
            const Picture before = picture;
            ditherPicture(picture, dither);
            EXPECT_EQ(picture.rgb, before.rgb)
                << ditherName(dither) << " " << int(colour.red) << "," << int(colour.green) << ","
                << int(colour.blue);
        }
        Picture mixed = randomPicture(33, 17, true);
        const Picture before = mixed;
        ditherPicture(mixed, dither);
        EXPECT_EQ(mixed.rgb, before.rgb) << ditherName(dither) << ", mixed shown colours";
    }
}

TEST(Dither, EveryPixelBecomesAShownColour) {
    for (const Dither dither : DITHERS) {
        Picture picture = randomPicture(33, 17, false);
        ditherPicture(picture, dither);
        EXPECT_EQ(shownPicture(picture).rgb, picture.rgb) << ditherName(dither);
    }
}

// How far each column's mean, as the display shows it, is from the grey it
// was: the mean over the columns, and the worst column, channel by channel.
struct GradientErrors {
    double mean[3] = {0, 0, 0};
    double worst[3] = {0, 0, 0};
};

GradientErrors gradientErrors(Dither dither) {
    constexpr int WIDTH = 176;
    constexpr int HEIGHT = 16;
    Picture picture{WIDTH, HEIGHT, {}};
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            const auto grey = static_cast<std::uint8_t>(std::lround(x * 255.0 / (WIDTH - 1)));
            picture.rgb.insert(picture.rgb.end(), {grey, grey, grey});
        }
    }
    ditherPicture(picture, dither);
    const Picture shown = shownPicture(picture);
    GradientErrors errors;
    for (int x = 0; x < WIDTH; ++x) {
        const double grey = std::round(x * 255.0 / (WIDTH - 1));
        for (std::size_t c = 0; c < 3; ++c) {
            double column = 0;
            for (int y = 0; y < HEIGHT; ++y)
                column += shown.rgb[pixelOffset(shown, x, y) + c];
            const double error = std::abs(column / HEIGHT - grey);
            errors.mean[c] += error / WIDTH;
            errors.worst[c] = std::max(errors.worst[c], error);
        }
    }
    return errors;
}

TEST(Dither, GreyGradientKeepsItsColumnsMeans) {
    const char* const channels[] = {"red", "green", "blue"};
    const GradientErrors truncated = gradientErrors(Dither::None);
    // The bands dithering is for: truncation's columns are 2.7 off in red and
    // blue on average, the worst 7; a dither's are under half of that.
    EXPECT_GT(truncated.mean[0], 2.5);
    EXPECT_GT(truncated.mean[2], 2.5);
    for (const Dither dither : DITHERS) {
        const GradientErrors errors = gradientErrors(dither);
        for (std::size_t c = 0; c < 3; ++c) {
            EXPECT_LT(errors.mean[c], std::min(1.5, truncated.mean[c] / 2))
                << ditherName(dither) << ", " << channels[c];
            EXPECT_LE(errors.worst[c], truncated.worst[c] / 2)
                << ditherName(dither) << ", " << channels[c];
        }
    }
}

} // namespace
