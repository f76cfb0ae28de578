#include <gtest/gtest.h>

#include "convert/display_colours.h"

namespace {

TEST(DisplayColours, ExpansionRepeatsEachChannelsHighBits) {
    const struct {
        std::uint16_t value;
        Colour shown;
    } cases[] = {
        {0x0000, {0, 0, 0}},       {0xFFFF, {255, 255, 255}}, {0xF800, {255, 0, 0}},
        {0x07E0, {0, 255, 0}},     {0x001F, {0, 0, 255}},     {0x0821, {8, 4, 8}},
        {0x8410, {132, 130, 132}}, {0x7BEF, {123, 125, 123}}, {0x2965, {41, 44, 41}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shownColour(c.value), c.shown) << std::hex << c.value;
}

// What dithering relies on: the data file packs every shown colour back to
// the value it came from.
TEST(DisplayColours, EveryShownColourPacksToItsOwnValue) {
    for (unsigned value = 0; value <= 0xFFFF; ++value) {
        const Colour shown = shownColour(static_cast<std::uint16_t>(value));
        ASSERT_EQ(rgb565(shown.red, shown.green, shown.blue), value);
    }
}

TEST(DisplayColours, ShownPictureTruncatesThenExpands) {
    const Picture picture{3, 1, {7, 3, 7, 200, 100, 50, 132, 130, 132}};
    EXPECT_EQ(shownPicture(picture).rgb,
              (std::vector<std::uint8_t>{0, 0, 0, 206, 101, 49, 132, 130, 132}));
}

} // namespace
