#include <gtest/gtest.h>

#include "convert/conversion_screen.h"
#include "services/clock.h"
#include "services/textforms.h"
#include "tests/fakes/fakes.h"

namespace {

Text zeros(std::size_t n) {
    return Text(n, '\0');
}

TEST(FixedFieldTest, AssignAndAppendKeepTheWidth) {
    const struct {
        const char* name;
        std::size_t width;
        Text assigned;
        std::vector<Text> appended;
        Text expectedContent;
    } cases[] = {
        {"short name", 40, "sunset over the lake.bmp", {}, "sunset over the lake.bmp"},
        {"cut at width", 5, "abcdefgh", {}, "abcde"},
        {"empty source", 5, "", {}, ""},
        {"label", 20, "12252024210507", {"1", ":"}, "122520242105071:"},
        {"label exactly full", 20, "12252024210507", {"12345", ":"}, "1225202421050712345:"},
        {"append past width drops the rest",
         20,
         "12252024210507",
         {"123456", ":"},
         "12252024210507123456"},
        {"append to a full field", 3, "abc", {"d"}, "abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FixedField field = makeField(c.width);
        assign(field, c.assigned);
        for (const Text& piece : c.appended)
            append(field, piece);
        EXPECT_EQ(content(field), c.expectedContent);
        EXPECT_EQ(fullText(field), c.expectedContent + zeros(c.width - c.expectedContent.size()));
    }
}

TEST(FixedFieldTest, AssignFromAFieldTakesItsContent) {
    FixedField timestamp = makeField(20);
    assign(timestamp, "12252024210507");
    FixedField label = makeField(20);
    assign(label, "zzzzzzzzzzzzzzzzzzzz");
    assign(label, timestamp);
    EXPECT_EQ(fullText(label), "12252024210507" + zeros(6));
}

TEST(FixedFieldTest, ProgressBarRightParts) {
    FixedField bar = makeField(60);
    assign(bar, PROGRESS_BAR_TEXT);
    const Text full = fullText(bar);
    ASSERT_EQ(full.size(), 60u);
    const struct {
        int count;
        Text expected;
    } cases[] = {
        {0, ""},
        {1, zeros(1)},
        {2, ">" + zeros(1)},
        {30, Text(28, '=') + ">" + zeros(1)},
        {31, Text(29, '=') + ">" + zeros(1)},
        {60, Text(29, ' ') + Text(29, '=') + ">" + zeros(1)},
        {99, Text(29, ' ') + Text(29, '=') + ">" + zeros(1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        EXPECT_EQ(rightText(full, c.count), c.expected);
    }
}

TEST(TextPartsTest, LeftMidRightSpaces) {
    EXPECT_EQ(midText("abc", 4, 2), "");
    EXPECT_EQ(midText("abc", 2, 9), "bc");
    EXPECT_EQ(midText("abc", 2, -1), "bc");
    EXPECT_EQ(midText("abc", 0, 1), "");
    EXPECT_EQ(midText("abc", 1, 0), "");
    EXPECT_EQ(leftText("abc", 10), "abc");
    EXPECT_EQ(leftText("abc", 0), "");
    EXPECT_EQ(rightText("abc", -5), "");
    EXPECT_EQ(rightText("abc", 2), "bc");
    EXPECT_EQ(spaces(4), "    ");
    EXPECT_EQ(spaces(-1), "");
    EXPECT_EQ(leftText(Text("a\0b", 3), 3).size(), 3u);
}

TEST(TextPartsTest, CompareText) {
    EXPECT_EQ(compareText("name", ""), 1);
    EXPECT_EQ(compareText("", ""), 0);
    EXPECT_EQ(compareText(rightText("c:\\", 1), "\\"), 0);
    EXPECT_EQ(compareText("ab", "abc"), -1);
    EXPECT_EQ(compareText("b", "abc"), 1);
    EXPECT_EQ(compareText("A", "a"), -1);
    EXPECT_EQ(compareText("\xff", "a"), 1);
}

TEST(NumberFormTest, UnsignedDecimal) {
    EXPECT_EQ(unsignedText(0), "0");
    EXPECT_EQ(unsignedText(176), "176");
    EXPECT_EQ(unsignedText(65535), "65535");
}

// The fake clock reads 25 December 2024, 21:05:07.
TEST(DateFormTest, MonthFirstDateAndTwentyFourHourTime) {
    resetFakeKeyboard();
    Text date = dateText();
    Text time = timeText();
    EXPECT_EQ(date, "12-25-2024");
    EXPECT_EQ(time, "21:05:07");
    EXPECT_EQ(leftText(date, 2) + midText(date, 4, 2) + rightText(date, 4), "12252024");
    EXPECT_EQ(leftText(time, 2) + midText(time, 4, 2) + rightText(time, 2), "210507");
}

// SOURCE_DATE_EPOCH's seconds as a UTC date and time; anything but a whole
// number of seconds up to the end of 9999 is none.
TEST(DateFormTest, SecondsSince1970InUtc) {
    const struct {
        const char* seconds;
        const char* date; // nullptr: not a moment
        const char* time;
    } cases[] = {
        {"0", "01-01-1970", "00:00:00"},
        {"1700000000", "11-14-2023", "22:13:20"},
        {"951782400", "02-29-2000", "00:00:00"},  // a leap day of a fourth century
        {"4107542399", "02-28-2100", "23:59:59"}, // 2100 has none
        {"4107542400", "03-01-2100", "00:00:00"},
        {"253402300799", "12-31-9999", "23:59:59"},
        {"0000000000001", nullptr, nullptr}, // more digits than any such moment needs
        {"253402300800", nullptr, nullptr},
        {"", nullptr, nullptr},
        {"-1", nullptr, nullptr},
        {"+5", nullptr, nullptr},
        {"12 ", nullptr, nullptr},
        {"1.5", nullptr, nullptr},
        {"1e9", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("'") + c.seconds + "'");
        const std::optional<std::tm> time = utcTimeOf(c.seconds);
        ASSERT_EQ(time.has_value(), c.date != nullptr);
        if (time) {
            EXPECT_EQ(dateTextOf(*time), c.date);
            EXPECT_EQ(timeTextOf(*time), c.time);
        }
    }
}

TEST(ZoneTest, FillReachesTheNextZone) {
    EXPECT_EQ(zoneFill(9), Text(5, ' '));
    EXPECT_EQ(zoneFill(13), Text(1, ' '));
    EXPECT_EQ(zoneFill(14), Text(14, ' '));
    EXPECT_EQ(zoneFill(0), Text(14, ' '));
}

TEST(ZoneTest, ColumnAfterCountsFromTheLastLineEnd) {
    const struct {
        std::size_t column;
        std::string piece;
        std::size_t expected;
    } cases[] = {
        {9, "ab", 11},
        {9, "a\r\nb", 1},
        {9, "ab\n", 0},
        {9, "ab\r", 0},
        {0, "", 0},
        {5, "\n\rxyz", 3},
        {5, "x\ny\rzz", 2},
        {3, "\rab\ncd\r\nefg", 3},
        {7, std::string("a\0b", 3), 10},
        {0, "\r\ndata 1%, 2%", 11},
    };
    for (const auto& c : cases)
        EXPECT_EQ(columnAfter(c.column, c.piece.data(), c.piece.size()), c.expected) << c.piece;
}

} // namespace
