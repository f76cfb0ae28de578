#include "services/host/screen_model.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/screen_text.h"

namespace {

ScreenModel lettered(int width, int height) {
    ScreenModel model = makeScreenModel(width, height);
    for (int row = 1; row <= height; ++row) {
        std::string text(width, static_cast<char>('a' + row - 1));
        putRun(model, row, 1, text.data(), text.size(), static_cast<std::uint8_t>(row));
    }
    return model;
}

struct PutRunCase {
    int row;
    int column;
    const char* text;
    const char* row1;
    const char* row2;
};

TEST(ScreenModel, PutRunClipsAtTheEdges) {
    const PutRunCase cases[] = {
        {1, 1, "abc", "abc  ", "     "},   {2, 4, "xyz", "     ", "   xy"},
        {1, 5, "q", "    q", "     "},     {1, 6, "q", "     ", "     "},
        {1, -1, "abcd", "cd   ", "     "}, {0, 1, "abc", "     ", "     "},
        {3, 1, "abc", "     ", "     "},
    };
    for (const PutRunCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + "," + std::to_string(c.column) + " " + c.text);
        ScreenModel model = makeScreenModel(5, 2);
        putRun(model, c.row, c.column, c.text, std::char_traits<char>::length(c.text), 0x1E);
        EXPECT_EQ(rowText(model, 1), c.row1);
        EXPECT_EQ(rowText(model, 2), c.row2);
        for (const Cell& cell : model.cells)
            EXPECT_EQ(cell.attribute, cell.character == fixedCharacter(' ') ? 7 : 0x1E);
    }
}

TEST(ScreenModel, FillRowBlanksInTheAttribute) {
    ScreenModel model = lettered(3, 3);
    fillRow(model, 2, 0x40);
    EXPECT_EQ(rowText(model, 1), "aaa");
    EXPECT_EQ(rowText(model, 2), "   ");
    EXPECT_EQ(rowText(model, 3), "ccc");
    for (int column = 1; column <= 3; ++column)
        EXPECT_EQ(cellAt(model, 2, column).attribute, 0x40);
}

struct ScrollCase {
    int rows;
    const char* expected[4];
};

TEST(ScreenModel, ScrollUpMovesRowsAndFillsTheBottom) {
    const ScrollCase cases[] = {
        {0, {"aa", "bb", "cc", "dd"}}, {1, {"bb", "cc", "dd", "  "}}, {3, {"dd", "  ", "  ", "  "}},
        {4, {"  ", "  ", "  ", "  "}}, {9, {"  ", "  ", "  ", "  "}},
    };
    for (const ScrollCase& c : cases) {
        SCOPED_TRACE(c.rows);
        ScreenModel model = lettered(2, 4);
        scrollUp(model, c.rows, 0x17);
        for (int row = 1; row <= 4; ++row) {
            EXPECT_EQ(rowText(model, row), c.expected[row - 1]);
            bool blank = c.expected[row - 1][0] == ' ';
            int moved = row + c.rows;
            std::uint8_t attribute = blank ? 0x17 : static_cast<std::uint8_t>(moved);
            EXPECT_EQ(cellAt(model, row, 2).attribute, attribute);
        }
    }
}

// A wide character takes two cells; a character put on either half of one
// leaves the other half blank, as a terminal does.
TEST(ScreenModel, WideCharactersTakeTwoCellsAndBreakWhole) {
    const ScreenCharacter wide{{'\xE6', '\x97', '\xA5'}, 3, 2};
    const ScreenCharacter x = fixedCharacter('x');
    const std::string day = "\xE6\x97\xA5";
    const struct {
        const char* what;
        int column;
        ScreenCharacter put;
        std::string row;
    } cases[] = {
        {"narrow over a left half", 1, x, "x " + day + " e"},
        {"narrow over a right half", 2, x, " x" + day + " e"},
        {"wide over two halves", 2, wide, " " + day + "  e"},
        {"wide over narrow", 5, wide, day + day + day},
        {"wide past the last column", 6, wide, day + day + " e"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScreenModel model = makeScreenModel(6, 1);
        const ScreenCharacter start[] = {wide, wide, fixedCharacter(' '), fixedCharacter('e')};
        putCharacters(model, 1, 1, start, 4, 7);
        putCharacters(model, 1, c.column, &c.put, 1, 7);
        EXPECT_EQ(rowText(model, 1), c.row);
    }
}

} // namespace
