#include <gtest/gtest.h>

#include <string>

#include "services/console.h"
#include "tests/fakes/fakes.h"

namespace {

void write(const std::string& piece) {
    writeToScreen(piece.data(), piece.size());
}

struct Cursor {
    int row;
    int column;
};

Cursor cursor() {
    return {surfaceModel().cursorRow, surfaceModel().cursorColumn};
}

class ConsoleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetFakeSurface(80, 25);
        setColour(15, 1);
        clearScreen();
    }
    const ScreenModel& screen() { return surfaceModel(); }
};

TEST_F(ConsoleTest, ClearFillsEveryCellInTheCurrentColours) {
    setColour(12, 15);
    moveCursor(5, 5);
    clearScreen();
    for (int row = 1; row <= 25; ++row)
        for (int column = 1; column <= 80; ++column) {
            ASSERT_EQ(cellAt(screen(), row, column).character, fixedCharacter(' '));
            ASSERT_EQ(cellAt(screen(), row, column).attribute, 252);
        }
    EXPECT_EQ(cursor().row, 1);
    EXPECT_EQ(cursor().column, 1);
}

// Where the cursor ends after writing pieces from a starting cell.
struct CursorCase {
    const char* name;
    int startRow;
    std::vector<std::string> pieces;
    int row;
    int column;
};

TEST_F(ConsoleTest, CursorAfterPieces) {
    const std::string line80(80, 'x');
    const CursorCase cases[] = {
        {"full row wraps at once", 1, {line80}, 2, 1},
        {"two full rows", 1, {line80, line80}, 3, 1},
        {"full row then line end leaves an empty row", 5, {line80, "\r\n"}, 7, 1},
        {"line end", 10, {"\r\n"}, 11, 1},
        {"line feed returns to column 1", 10, {"abc", "\n"}, 11, 1},
        {"carriage return", 3, {"abc\r"}, 3, 1},
        {"backspace", 3, {"ab\b"}, 3, 2},
        {"backspace at column 1 stays", 3, {"\b"}, 3, 1},
        {"bell does not move", 3, {"a\a"}, 3, 2},
        {"empty piece", 3, {""}, 3, 1},
        {"zero byte takes a cell", 3, {std::string(1, '\0')}, 3, 2},
    };
    for (const CursorCase& c : cases) {
        SCOPED_TRACE(c.name);
        clearScreen();
        moveCursor(c.startRow, 1);
        for (const std::string& piece : c.pieces)
            write(piece);
        EXPECT_EQ(cursor().row, c.row);
        EXPECT_EQ(cursor().column, c.column);
        EXPECT_FALSE(consoleState().pendingLine);
    }
}

TEST_F(ConsoleTest, TabsReachTheNextMultipleOfEight) {
    const struct {
        int startColumn;
        int spaces;
    } cases[] = {{1, 8}, {8, 1}, {9, 8}, {12, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.startColumn);
        clearScreen();
        setColour(0, 4);
        moveCursor(2, c.startColumn);
        write("\t");
        EXPECT_EQ(cursor().column, c.startColumn + c.spaces);
        EXPECT_EQ(cellAt(screen(), 2, c.startColumn).attribute, 0x40);
        setColour(15, 1);
    }
}

TEST_F(ConsoleTest, BellBeepsAndWritesNothing) {
    write("a\ab");
    EXPECT_EQ(fakeSurface().beeps, 1);
    EXPECT_EQ(rowText(screen(), 1).substr(0, 3), "ab ");
}

TEST_F(ConsoleTest, ZeroByteIsABlankCellInTheCurrentColours) {
    setColour(14, 1);
    write(std::string("a\0b", 3));
    EXPECT_EQ(rowText(screen(), 1).substr(0, 3), "a b");
    EXPECT_EQ(cellAt(screen(), 1, 2).attribute, 0x1E);
}

TEST_F(ConsoleTest, FullBottomRowOwesTheScrollUntilTheNextWrite) {
    moveCursor(24, 1);
    write("above");
    moveCursor(25, 1);
    write(std::string(80, 'y'));
    EXPECT_TRUE(consoleState().pendingLine);
    EXPECT_EQ(cursor().row, 25);
    EXPECT_EQ(cursor().column, 80);
    EXPECT_EQ(rowText(screen(), 24).substr(0, 5), "above");

    write("x");
    EXPECT_FALSE(consoleState().pendingLine);
    EXPECT_EQ(rowText(screen(), 24), std::string(80, 'y'));
    EXPECT_EQ(rowText(screen(), 25)[0], 'x');
    EXPECT_EQ(cursor().row, 25);
    EXPECT_EQ(cursor().column, 2);
}

TEST_F(ConsoleTest, MoveCursorCancelsTheOwedScroll) {
    moveCursor(25, 1);
    write(std::string(80, 'y'));
    moveCursor(15, 10);
    write("x");
    EXPECT_EQ(rowText(screen(), 25), std::string(80, 'y'));
    EXPECT_EQ(rowText(screen(), 15)[9], 'x');
}

TEST_F(ConsoleTest, LineEndAfterFullBottomRowScrollsTwice) {
    moveCursor(25, 1);
    write(std::string(80, 'y'));
    write("\r\n");
    EXPECT_EQ(rowText(screen(), 23), std::string(80, 'y'));
    EXPECT_EQ(rowText(screen(), 24), std::string(80, ' '));
    EXPECT_EQ(cursor().row, 25);
    EXPECT_EQ(cursor().column, 1);
}

TEST_F(ConsoleTest, EightyOneCharactersOnTheBottomRow) {
    moveCursor(25, 1);
    write(std::string(80, 'y') + "z");
    EXPECT_EQ(rowText(screen(), 24), std::string(80, 'y'));
    EXPECT_EQ(rowText(screen(), 25)[0], 'z');
    EXPECT_EQ(cursor().row, 25);
    EXPECT_EQ(cursor().column, 2);
}

TEST_F(ConsoleTest, ThreeBlackLineEndsOnTheBottomRow) {
    moveCursor(25, 1);
    write("path");
    setColour(0, 0);
    for (int i = 0; i < 3; ++i)
        write("\r\n");
    EXPECT_EQ(rowText(screen(), 22).substr(0, 4), "path");
    for (int row = 23; row <= 25; ++row) {
        EXPECT_EQ(rowText(screen(), row), std::string(80, ' '));
        EXPECT_EQ(cellAt(screen(), row, 40).attribute, 0);
    }
    EXPECT_EQ(cursor().row, 25);
    EXPECT_EQ(cursor().column, 1);
}

TEST_F(ConsoleTest, LongPieceWrapsInRunsAcrossRows) {
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += static_cast<char>('a' + i % 26);
    moveCursor(3, 11);
    write(text);
    EXPECT_EQ(rowText(screen(), 3).substr(10), text.substr(0, 70));
    EXPECT_EQ(rowText(screen(), 4), text.substr(70, 80));
    EXPECT_EQ(rowText(screen(), 6).substr(0, 70), text.substr(230));
    EXPECT_EQ(cursor().row, 6);
    EXPECT_EQ(cursor().column, 71);
}

TEST_F(ConsoleTest, MoveCursorOutsideTheAreaDoesNothing) {
    moveCursor(25, 1);
    write(std::string(80, 'y'));
    moveCursor(26, 1);
    moveCursor(15, 81);
    moveCursor(0, 5);
    EXPECT_TRUE(consoleState().pendingLine);
    EXPECT_EQ(cursor().row, 25);
    EXPECT_EQ(cursor().column, 80);
}

TEST_F(ConsoleTest, EmptyPieceKeepsTheOwedRow) {
    moveCursor(25, 1);
    write(std::string(80, 'y'));
    write("");
    EXPECT_TRUE(consoleState().pendingLine);
    EXPECT_EQ(rowText(screen(), 25), std::string(80, 'y'));
}

// A wide character in a name that does not fit in the last column goes to
// the next row whole and leaves that column blank; one that fills the
// bottom row owes the scroll as any other character does.
TEST_F(ConsoleTest, NamesWrapWideCharactersWhole) {
    const std::string day = "\xE6\x97\xA5";
    const struct {
        const char* what;
        int row, column;
        int endRow, endColumn;
        bool owed;
        int shownRow; // the row that shows the character, from column 1 or 79
        std::string shown;
    } cases[] = {
        {"fits in the last two columns", 5, 79, 6, 1, false, 5, day},
        {"past the last column", 5, 80, 6, 3, false, 6, day},
        {"fills the bottom row", 25, 79, 25, 80, true, 25, day},
        {"past the bottom row's last column", 25, 80, 25, 3, false, 25, day},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        moveCursor(c.row, 1);
        write(std::string(static_cast<std::size_t>(c.column - 1), 'x'));
        writeNameToScreen(day.data(), day.size());
        EXPECT_EQ(cursor().row, c.endRow);
        EXPECT_EQ(cursor().column, c.endColumn);
        EXPECT_EQ(consoleState().pendingLine, c.owed);
        const bool wrapped = c.column == 80;
        EXPECT_EQ(rowText(screen(), c.shownRow).substr(wrapped ? 0 : 78, day.size()), c.shown);
        if (wrapped) {
            EXPECT_EQ(rowText(screen(), c.shownRow - 1), std::string(79, 'x') + " ");
        }
    }
}

TEST(ConsolePassThrough, BytesGoOutUnchangedWhenNotAConsole) {
    resetFakeSurface(80, 25);
    fakeSurface().isConsole = false;
    setColour(15, 1);
    clearScreen();
    moveCursor(12, 10);
    writeToScreen("ab\r\n\0c", 6);
    EXPECT_EQ(fakeSurface().passedThrough, std::string("ab\r\n\0c", 6));
    EXPECT_EQ(rowText(surfaceModel(), 1), std::string(80, ' '));
}

TEST(ConsoleColumn, CountsCharactersSinceTheLastLineEnd) {
    resetFakeSurface(80, 25);
    writeToScreen("bildname:", 9);
    EXPECT_EQ(consoleState().column, 9u);
    writeToScreen("ab\r\nxyz", 7);
    EXPECT_EQ(consoleState().column, 3u);
    moveCursor(4, 7);
    EXPECT_EQ(consoleState().column, 6u);
    clearScreen();
    EXPECT_EQ(consoleState().column, 0u);
}

} // namespace
