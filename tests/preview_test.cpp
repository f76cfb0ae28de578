#include <gtest/gtest.h>

#include "app/palette_colour.h"
#include "app/preview.h"

namespace {

TEST(PaletteColour, NearestOfTheCubeAndTheGreyRamp) {
    const struct {
        std::uint8_t red, green, blue, entry;
    } cases[] = {
        // The cube's six levels, each channel on its own.
        {0, 0, 0, 16},
        {95, 0, 0, 52},
        {135, 0, 0, 88},
        {175, 0, 0, 124},
        {215, 0, 0, 160},
        {255, 0, 0, 196},
        {0, 95, 0, 22},
        {0, 255, 0, 46},
        {0, 0, 95, 17},
        {0, 0, 255, 21},
        {255, 255, 255, 231},
        {95, 135, 215, 68},
        // Between two levels, the nearer.
        {47, 255, 0, 46},
        {48, 255, 0, 82},
        {156, 0, 255, 129},
        {155, 0, 255, 93},
        {254, 0, 0, 196},
        // The grey ramp, 8 + 10 k, where it is nearer than the cube's greys.
        {8, 8, 8, 232},
        {18, 18, 18, 233},
        {128, 128, 128, 244},
        {238, 238, 238, 255},
        {12, 13, 13, 232},
        {14, 13, 13, 233},
        {244, 244, 244, 255},
        {247, 247, 247, 231},
        // A cube grey itself stays in the cube; near-greys find the ramp.
        {95, 95, 95, 59},
        {132, 130, 132, 244},
        {8, 4, 8, 232},
    };
    for (const auto& c : cases)
        EXPECT_EQ(int(paletteColour(c.red, c.green, c.blue)), int(c.entry))
            << int(c.red) << "," << int(c.green) << "," << int(c.blue);
}

TEST(Preview, ColoursAndWidthFollowTheTerminal) {
    using C = PreviewColours;
    const struct {
        std::optional<Text> colourTerm, session;
        PreviewColours colours;
    } colourCases[] = {
        {"truecolor", std::nullopt, C::TrueColour}, {"24bit", std::nullopt, C::TrueColour},
        {std::nullopt, "f00-ba4", C::TrueColour},   {"", std::nullopt, C::Palette},
        {"yes", std::nullopt, C::Palette},          {std::nullopt, std::nullopt, C::Palette},
    };
    for (const auto& c : colourCases)
        EXPECT_EQ(previewColoursFor(c.colourTerm, c.session), c.colours)
            << c.colourTerm.value_or("(unset)") << " " << c.session.value_or("(unset)");
    const struct {
        int width, columns;
        bool utf8;
        int shown;
    } widthCases[] = {
        {176, 0, true, 176},   {176, 0, false, 176},  {176, 200, true, 176},
        {176, 177, true, 176}, {176, 176, true, 175}, {176, 80, true, 79},
        {176, 80, false, 39},  {30, 80, false, 30},   {176, 1, true, 1},
    };
    for (const auto& c : widthCases)
        EXPECT_EQ(previewWidth(c.width, c.columns, c.utf8), c.shown)
            << c.width << " on " << c.columns << (c.utf8 ? "" : " (not UTF-8)");
}

TEST(Preview, CaptionSaysTheSizeTheOptionsAndAShrinking) {
    EXPECT_EQ(previewCaption("sunset.jpg", 176, 132, "--fit --dither=ordered", 176),
              "sunset.jpg: 176 x 132 pixels, --fit --dither=ordered");
    EXPECT_EQ(previewCaption("logo.bmp", 40, 30, "", 40), "logo.bmp: 40 x 30 pixels");
    EXPECT_EQ(previewCaption("a\x1b]0;x\a.png", 176, 99, "--fit", 79),
              "a?]0;x?.png: 176 x 99 pixels, --fit; this preview is shrunk to 79 pixels wide "
              "to fit the terminal");
}

// Red red green blue / white black green (8,4,8) / grey grey black white.
const Picture FOUR_BY_THREE{4, 3, {255, 0,   0,   255, 0,   0,   0, 255, 0, 0,   0,   255,
                                   255, 255, 255, 0,   0,   0,   0, 255, 0, 8,   4,   8,
                                   132, 130, 132, 132, 130, 132, 0, 0,   0, 255, 255, 255}};

TEST(Preview, RowsOfASmallPictureByteForByte) {
    const struct {
        const char* name;
        PreviewStyle style;
        Text rows;
    } cases[] = {
        {"24-bit",
         {PreviewColours::TrueColour, true},
         "\x1b[38;2;255;0;0;48;2;255;255;255m\u2580\x1b[48;2;0;0;0m\u2580"
         "\x1b[38;2;0;255;0;48;2;0;255;0m\u2580\x1b[38;2;0;0;255;48;2;8;4;8m\u2580\x1b[0m\n"
         "\x1b[38;2;132;130;132m\u2580\u2580\x1b[38;2;0;0;0m\u2580"
         "\x1b[38;2;255;255;255m\u2580\x1b[0m\n"},
        {"256 colours",
         {PreviewColours::Palette, true},
         "\x1b[38;5;196;48;5;231m\u2580\x1b[48;5;16m\u2580\x1b[38;5;46;48;5;46m\u2580"
         "\x1b[38;5;21;48;5;232m\u2580\x1b[0m\n"
         "\x1b[38;5;244m\u2580\u2580\x1b[38;5;16m\u2580\x1b[38;5;231m\u2580\x1b[0m\n"},
        {"not UTF-8",
         {PreviewColours::TrueColour, false},
         "\x1b[48;2;255;0;0m    \x1b[48;2;0;255;0m  \x1b[48;2;0;0;255m  \x1b[0m\n"
         "\x1b[48;2;255;255;255m  \x1b[48;2;0;0;0m  \x1b[48;2;0;255;0m  \x1b[48;2;8;4;8m  "
         "\x1b[0m\n"
         "\x1b[48;2;132;130;132m    \x1b[48;2;0;0;0m  \x1b[48;2;255;255;255m  \x1b[0m\n"},
        {"not UTF-8, 256 colours",
         {PreviewColours::Palette, false},
         "\x1b[48;5;196m    \x1b[48;5;46m  \x1b[48;5;21m  \x1b[0m\n"
         "\x1b[48;5;231m  \x1b[48;5;16m  \x1b[48;5;46m  \x1b[48;5;232m  \x1b[0m\n"
         "\x1b[48;5;244m    \x1b[48;5;16m  \x1b[48;5;231m  \x1b[0m\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(previewText(FOUR_BY_THREE, "pic.png: 4 x 3 pixels", c.style),
                  "pic.png: 4 x 3 pixels\n" + c.rows)
            << c.name;
}

} // namespace
