#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "convert/progress_bar_length.h"

namespace {

TEST(ProgressBarLength, NamedValues) {
    const struct {
        std::uint16_t y, height, expected;
    } cases[] = {
        {1, 1, 30},                                // a single row is the whole bar
        {1, 4, 7},      {2, 4, 15},  {4, 4, 30},   // 1 / 0.1333... is 7.4999... in extended
        {33, 36, 27},                              // double gives 28
        {1, 132, 0},    {3, 132, 1}, {33, 132, 8}, // double gives 7 for row 33
        {132, 132, 30}, {1, 60, 0},  {3, 60, 2},
        {5, 60, 2},                // exact halves go to the even neighbour
        {0, 10, 0},     {5, 0, 0}, // degenerate inputs stay defined
    };
    for (const auto& c : cases)
        EXPECT_EQ(progressBarLength(c.y, c.height), c.expected) << c.y << " / " << c.height;
}

// The 14 accepted pairs where 64-bit double arithmetic gives another length:
// checked on every platform, long double in the extended format or not.
TEST(ProgressBarLength, PairsThatExtendedPrecisionDecides) {
    const struct {
        std::uint16_t y, height, expected;
    } cases[] = {
        {1, 4, 7},    {2, 8, 7},    {4, 16, 7},   {8, 32, 7},     {9, 36, 7},
        {33, 36, 27}, {16, 64, 7},  {18, 72, 7},  {66, 72, 27},   {23, 92, 8},
        {31, 124, 8}, {32, 128, 7}, {33, 132, 8}, {121, 132, 28},
    };
    for (const auto& c : cases)
        EXPECT_EQ(progressBarLength(c.y, c.height), c.expected) << c.y << " / " << c.height;
}

TEST(ProgressBarLength, LastRowIsTheWholeBarForEveryHeight) {
    for (std::uint32_t height = 1; height <= UINT16_MAX; ++height)
        ASSERT_EQ(progressBarLength(static_cast<std::uint16_t>(height),
                                    static_cast<std::uint16_t>(height)),
                  PROGRESS_BAR_LENGTH)
            << height;
}

// Where long double is the x87 extended format, the hardware is the reference.
long double hardwarePercent(long double y, long double height) {
    volatile long double step = height / 30.0L;
    volatile long double quotient = y / step;
    return std::nearbyint(quotient);
}

TEST(ProgressBarLength, MatchesExtendedHardware) {
    if (LDBL_MANT_DIG != 64)
        GTEST_SKIP() << "long double is not the extended format here";
    for (int height = 1; height <= 132; ++height) {
        for (int y = 1; y <= height; ++y)
            ASSERT_EQ(progressBarLength(static_cast<std::uint16_t>(y),
                                        static_cast<std::uint16_t>(height)),
                      hardwarePercent(y, height))
                << y << " / " << height;
    }
    // Far beyond the accepted heights, as a check of the arithmetic itself.
    for (int height = 133; height <= UINT16_MAX; height += 97) {
        for (int y = 1; y <= height; y += 1 + height / 50)
            ASSERT_EQ(progressBarLength(static_cast<std::uint16_t>(y),
                                        static_cast<std::uint16_t>(height)),
                      hardwarePercent(y, height))
                << y << " / " << height;
    }
}

TEST(ProgressBarLength, DiffersFromDoubleWhereExtendedDecides) {
    // The pairs where 64-bit double rounding would give another bar length.
    int differences = 0;
    for (int height = 1; height <= 132; ++height) {
        for (int y = 1; y <= height; ++y) {
            volatile double step = height / 30.0;
            volatile double quotient = y / step;
            if (std::nearbyint(quotient) != progressBarLength(static_cast<std::uint16_t>(y),
                                                              static_cast<std::uint16_t>(height)))
                ++differences;
        }
    }
    EXPECT_EQ(differences, 14);
}

} // namespace
