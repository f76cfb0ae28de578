#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "services/console.h"
#include "services/files.h"
#include "services/keyboard.h"
#include "services/win32/console_host.h"
#include "tests/support/listing.h"
#include "tests/support/temp_directory.h"

// The console services over the real Windows console: a screen buffer of the
// test's own becomes the standard output, takes the shape of a case, is
// written through the services and read back cell by cell.

namespace {

// What the window's cells hold before the services touch them.
constexpr char STALE_CHARACTER = '#';
constexpr WORD STALE_ATTRIBUTE = 0x4E;
// A console's own start attribute, which the buffer below the window keeps.
constexpr WORD FRESH_ATTRIBUTE = 7;

struct Shape {
    const char* name;
    SHORT width;
    SHORT bufferRows;
    SHORT windowRows;
};

constexpr Shape CLASSIC{"80 x 25", 80, 25, 25};
constexpr Shape TODAY{"120 x 30", 120, 30, 30};
constexpr Shape CLASSIC_ROWS_BELOW{"80 x 25 over 27 rows", 80, 27, 25};
constexpr Shape TODAY_ROWS_BELOW{"120 x 30 over 60 rows", 120, 60, 30};

// The UTF-8 of a cell's character.
std::string textOf(const CHAR_INFO& cell) {
    char bytes[8];
    const int length = WideCharToMultiByte(CP_UTF8, 0, &cell.Char.UnicodeChar, 1, bytes,
                                           sizeof bytes, nullptr, nullptr);
    return std::string(bytes, static_cast<std::size_t>(std::max(length, 0)));
}

// How many characters a UTF-8 text holds.
std::size_t charactersIn(const std::string& text) {
    std::size_t count = 0;
    for (char byte : text)
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

// The text area as the user sees it at one moment.
struct Snapshot {
    std::vector<std::string> rows;    // 25 rows of 80 characters, as UTF-8
    std::vector<std::string> colours; // their attributes, one byte a cell
    int cursorRow = 0;
    int cursorColumn = 0;
    bool pendingLine = false;
    std::string outside; // every character of the window outside the text area
};

class ConsoleHostTest : public ::testing::Test {
  public:
    void SetUp() override {
        original_ = GetStdHandle(STD_OUTPUT_HANDLE);
        buffer_ = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            CONSOLE_TEXTMODE_BUFFER, nullptr);
        ASSERT_NE(buffer_, INVALID_HANDLE_VALUE)
            << "no console: run under a terminal (tests/run_in_console.sh)";
        ASSERT_TRUE(SetConsoleActiveScreenBuffer(buffer_));
        ASSERT_TRUE(SetStdHandle(STD_OUTPUT_HANDLE, buffer_));
    }
    void TearDown() override {
        refuseConsoleCalls(CALL_NONE);
        closeAllFiles();
        SetStdHandle(STD_OUTPUT_HANDLE, original_);
        if (buffer_ != INVALID_HANDLE_VALUE)
            CloseHandle(buffer_);
    }

    // Gives the buffer the case's shape, with the window at its top, stale
    // cells in the window and fresh ones below it, and starts the services.
    void shape(const Shape& s) {
        SMALL_RECT smallest{0, 0, 0, 0};
        SetConsoleWindowInfo(buffer_, TRUE, &smallest);
        ASSERT_TRUE(SetConsoleScreenBufferSize(buffer_, COORD{s.width, s.bufferRows})) << s.name;
        SMALL_RECT window{0, 0, static_cast<SHORT>(s.width - 1),
                          static_cast<SHORT>(s.windowRows - 1)};
        ASSERT_TRUE(SetConsoleWindowInfo(buffer_, TRUE, &window)) << s.name;
        DWORD written = 0;
        const auto all = static_cast<DWORD>(s.width * s.bufferRows);
        const auto visible = static_cast<DWORD>(s.width * s.windowRows);
        FillConsoleOutputCharacterA(buffer_, ' ', all, COORD{0, 0}, &written);
        FillConsoleOutputAttribute(buffer_, FRESH_ATTRIBUTE, all, COORD{0, 0}, &written);
        FillConsoleOutputCharacterA(buffer_, STALE_CHARACTER, visible, COORD{0, 0}, &written);
        FillConsoleOutputAttribute(buffer_, STALE_ATTRIBUTE, visible, COORD{0, 0}, &written);
        startConsole();
    }

    CONSOLE_SCREEN_BUFFER_INFO info() const {
        CONSOLE_SCREEN_BUFFER_INFO i{};
        EXPECT_TRUE(GetConsoleScreenBufferInfo(buffer_, &i));
        return i;
    }

    // The cells of one buffer row.
    std::vector<CHAR_INFO> bufferRow(int y) const {
        const SHORT width = info().dwSize.X;
        std::vector<CHAR_INFO> cells(static_cast<std::size_t>(width));
        SMALL_RECT source{0, static_cast<SHORT>(y), static_cast<SHORT>(width - 1),
                          static_cast<SHORT>(y)};
        EXPECT_TRUE(
            ReadConsoleOutputW(buffer_, cells.data(), COORD{width, 1}, COORD{0, 0}, &source));
        return cells;
    }

    // The characters of one row of the window, rows from 1.
    std::string windowText(int row) const {
        const CONSOLE_SCREEN_BUFFER_INFO i = info();
        const std::vector<CHAR_INFO> cells = bufferRow(i.srWindow.Top + row - 1);
        std::string text;
        for (int x = i.srWindow.Left; x <= i.srWindow.Right; ++x)
            text += textOf(cells[static_cast<std::size_t>(x)]);
        return text;
    }

    Snapshot snapshot() const {
        const CONSOLE_SCREEN_BUFFER_INFO i = info();
        Snapshot shot;
        const int windowRows = i.srWindow.Bottom - i.srWindow.Top + 1;
        for (int row = 1; row <= windowRows; ++row) {
            const std::vector<CHAR_INFO> cells = bufferRow(i.srWindow.Top + row - 1);
            std::string text, colours;
            for (int x = i.srWindow.Left; x <= i.srWindow.Right; ++x) {
                const CHAR_INFO& cell = cells[static_cast<std::size_t>(x)];
                const bool inArea = row <= SCREEN_ROWS && x - i.srWindow.Left < SCREEN_COLUMNS;
                if (!inArea) {
                    shot.outside += textOf(cell);
                    continue;
                }
                text += textOf(cell);
                colours += static_cast<char>(cell.Attributes & 0xFF);
            }
            if (row <= SCREEN_ROWS) {
                shot.rows.push_back(text);
                shot.colours.push_back(colours);
            }
        }
        shot.cursorRow = i.dwCursorPosition.Y - i.srWindow.Top + 1;
        shot.cursorColumn = i.dwCursorPosition.X - i.srWindow.Left + 1;
        shot.pendingLine = consoleState().pendingLine;
        return shot;
    }

    HANDLE original_ = INVALID_HANDLE_VALUE;
    HANDLE buffer_ = INVALID_HANDLE_VALUE;
};

void write(const std::string& piece) {
    writeToScreen(piece.data(), piece.size());
}

CHAR_INFO cell(char character, WORD attribute) {
    CHAR_INFO c;
    c.Char.UnicodeChar = static_cast<wchar_t>(character);
    c.Attributes = attribute;
    return c;
}

// 25 rows of 80 characters: blank but for the given rows.
std::vector<std::string> area(std::initializer_list<std::pair<int, std::string>> rows) {
    std::vector<std::string> text(SCREEN_ROWS, std::string(SCREEN_COLUMNS, ' '));
    for (const auto& [row, content] : rows)
        text[static_cast<std::size_t>(row - 1)] =
            content + std::string(SCREEN_COLUMNS - charactersIn(content), ' ');
    return text;
}

// A name outside every Western code page: "snimok", Cyrillic.
const std::string SNAPSHOT_NAME = "\xD1\x81\xD0\xBD\xD0\xB8\xD0\xBC\xD0\xBE\xD0\xBA";

// Marks two rows, then owes a row, pays it with one character, scrolls three
// rows at once in black and writes 81 characters on the bottom row: a
// snapshot after each step.
std::vector<Snapshot> runScrollScript(const ConsoleHostTest& test) {
    std::vector<Snapshot> shots;
    setColour(15, 1);
    clearScreen();
    write("first");
    moveCursor(2, 1);
    write("second ");
    writeNameToScreen(SNAPSHOT_NAME.data(), SNAPSHOT_NAME.size());
    moveCursor(25, 1);
    write(std::string(80, 'a'));
    shots.push_back(test.snapshot());
    write("x");
    shots.push_back(test.snapshot());
    setColour(0, 0);
    write("\n\n\n");
    shots.push_back(test.snapshot());
    setColour(14, 1);
    moveCursor(25, 1);
    write(std::string(80, 'b') + "c");
    shots.push_back(test.snapshot());
    return shots;
}

TEST_F(ConsoleHostTest, TheTextAreaIsAtMost80By25AtTheTopLeftOfTheWindow) {
    const struct {
        Shape shape;
        int width;
        int height;
    } cases[] = {
        {CLASSIC, 80, 25},
        {TODAY, 80, 25},
        {TODAY_ROWS_BELOW, 80, 25},
        {{"60 x 20", 60, 20, 20}, 60, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape.name);
        shape(c.shape);
        setColour(12, 15);
        clearScreen();
        // A 100-character line wraps at the area's last column.
        write(std::string(100, 'a'));
        const Snapshot shot = snapshot();
        EXPECT_EQ(windowText(1),
                  std::string(c.width, 'a') + std::string(c.shape.width - c.width, ' '));
        EXPECT_EQ(windowText(2).substr(0, 100 - c.width + 1),
                  std::string(100 - c.width, 'a') + " ");
        EXPECT_EQ(shot.cursorRow, 2);
        EXPECT_EQ(shot.cursorColumn, 100 - c.width + 1);
        // The clear blanked the whole window in its colours, and only the window.
        EXPECT_EQ(shot.outside, std::string(shot.outside.size(), ' '));
        const CONSOLE_SCREEN_BUFFER_INFO i = info();
        for (int y = 0; y < i.dwSize.Y; ++y) {
            const bool inWindow = y <= i.srWindow.Bottom;
            for (const CHAR_INFO& cell : bufferRow(y))
                ASSERT_EQ(cell.Attributes, inWindow ? 252 : FRESH_ATTRIBUTE) << "buffer row " << y;
        }
        // Cells beyond the area cannot be reached; its last cell can.
        moveCursor(c.height + 1, 1);
        moveCursor(1, c.width + 1);
        EXPECT_EQ(snapshot().cursorRow, 2);
        moveCursor(c.height, c.width);
        EXPECT_EQ(snapshot().cursorRow, c.height);
        EXPECT_EQ(snapshot().cursorColumn, c.width);
    }
}

TEST_F(ConsoleHostTest, WrapOwedRowAndScrollingAreTheSameOnEveryShape) {
    const std::string a80(80, 'a'), b80(80, 'b');
    const std::vector<std::vector<std::string>> expected = {
        area({{1, "first"}, {2, "second " + SNAPSHOT_NAME}, {25, a80}}),
        area({{1, "second " + SNAPSHOT_NAME}, {24, a80}, {25, "x"}}),
        area({{21, a80}, {22, "x"}}),
        area({{20, a80}, {21, "x"}, {24, b80}, {25, "c"}}),
    };
    const int cursorColumns[] = {80, 2, 1, 2};
    const bool pending[] = {true, false, false, false};
    for (const Shape& s : {CLASSIC, TODAY, CLASSIC_ROWS_BELOW, TODAY_ROWS_BELOW}) {
        SCOPED_TRACE(s.name);
        shape(s);
        const std::vector<Snapshot> shots = runScrollScript(*this);
        for (std::size_t step = 0; step < shots.size(); ++step) {
            SCOPED_TRACE("step " + std::to_string(step + 1));
            EXPECT_EQ(shots[step].rows, expected[step]);
            EXPECT_EQ(shots[step].cursorRow, 25);
            EXPECT_EQ(shots[step].cursorColumn, cursorColumns[step]);
            EXPECT_EQ(shots[step].pendingLine, pending[step]);
            EXPECT_EQ(shots[step].outside, std::string(shots[step].outside.size(), ' '));
        }
        // Without rows below the window the freed rows take the colours of
        // the moment: black for the three line ends, yellow on blue after.
        if (s.bufferRows == s.windowRows) {
            const std::string black(80, '\0'), whiteOnBlue(80, '\x1f'), yellowOnBlue(80, '\x1e');
            const Snapshot& last = shots.back();
            EXPECT_EQ(last.colours[19], whiteOnBlue);
            EXPECT_EQ(last.colours[20], whiteOnBlue);
            EXPECT_EQ(last.colours[21], black);
            EXPECT_EQ(last.colours[22], black);
            EXPECT_EQ(last.colours[23], yellowOnBlue);
            EXPECT_EQ(last.colours[24], yellowOnBlue);
        }
    }
}

TEST_F(ConsoleHostTest, RowsBelowTheWindowComeIntoViewFirst) {
    shape(CLASSIC_ROWS_BELOW);
    setColour(15, 1);
    clearScreen();
    std::vector<CHAR_INFO> two(80, cell('y', 0x2F));
    two.insert(two.end(), 80, cell('z', 0x3F));
    SMALL_RECT rows{0, 25, 79, 26};
    ASSERT_TRUE(WriteConsoleOutputW(buffer_, two.data(), COORD{80, 2}, COORD{0, 0}, &rows));
    moveCursor(25, 1);
    write("\n");
    EXPECT_EQ(info().srWindow.Top, 1);
    EXPECT_EQ(windowText(25), std::string(80, 'y'));
    // Two more: one row is left below, the other is scrolled.
    write("\n\n");
    EXPECT_EQ(info().srWindow.Top, 2);
    EXPECT_EQ(windowText(23), std::string(80, 'y'));
    EXPECT_EQ(windowText(24), std::string(80, 'z'));
    EXPECT_EQ(windowText(25), std::string(80, ' '));
    EXPECT_EQ(snapshot().colours[24], std::string(80, '\x1f'));
}

TEST_F(ConsoleHostTest, EveryFallbackLeavesTheSameCells) {
    const struct {
        const char* name;
        unsigned calls;
        Shape shape;
        bool sameColours;
    } cases[] = {
        {"scroll refused", CALL_SCROLL_BUFFER, TODAY, true},
        {"scroll and cell reads refused", CALL_SCROLL_BUFFER | CALL_READ_CELLS, TODAY, true},
        {"fills refused", CALL_FILL, TODAY, true},
        {"cell writes refused", CALL_WRITE_CELLS, TODAY, true},
        {"colour refused", CALL_SET_ATTRIBUTE, TODAY, true},
        {"cursor refused", CALL_PLACE_CURSOR, TODAY, true},
        {"all but the window refused",
         CALL_SCROLL_BUFFER | CALL_READ_CELLS | CALL_FILL | CALL_WRITE_CELLS | CALL_SET_ATTRIBUTE |
             CALL_PLACE_CURSOR,
         TODAY, true},
        // The window stays and the buffer scrolls instead: the rows that come
        // in are the freed ones, in the colours of the moment.
        {"window move refused", CALL_MOVE_WINDOW, CLASSIC_ROWS_BELOW, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        shape(c.shape);
        const std::vector<Snapshot> reference = runScrollScript(*this);
        shape(c.shape);
        refuseConsoleCalls(c.calls);
        const std::vector<Snapshot> shots = runScrollScript(*this);
        refuseConsoleCalls(CALL_NONE);
        for (std::size_t step = 0; step < shots.size(); ++step) {
            SCOPED_TRACE("step " + std::to_string(step + 1));
            EXPECT_EQ(shots[step].rows, reference[step].rows);
            EXPECT_EQ(shots[step].outside, reference[step].outside);
            if (c.sameColours) {
                EXPECT_EQ(shots[step].colours, reference[step].colours);
            }
        }
        if ((c.calls & CALL_MOVE_WINDOW) != 0) {
            EXPECT_EQ(info().srWindow.Top, 0);
        }
    }
}

// A wide character, as consoles that draw them in two cells hold it: both
// cells hold it, marked as its halves; one that does not fit in the last
// column wraps whole, and writing over one half blanks the other.
TEST_F(ConsoleHostTest, WideCharactersTakeTwoMarkedCells) {
    presetCharacterWidth(0x65E5, 2);
    shape(CLASSIC);
    setColour(15, 1);
    clearScreen();
    const std::string day = "\xE6\x97\xA5";
    const auto cellAt = [this](int row, int column) { return bufferRow(row - 1)[column - 1]; };
    const auto holds = [&](int row, int column, wchar_t character, WORD half) {
        const CHAR_INFO cell = cellAt(row, column);
        return cell.Char.UnicodeChar == character &&
               (cell.Attributes & (COMMON_LVB_LEADING_BYTE | COMMON_LVB_TRAILING_BYTE)) == half;
    };
    moveCursor(5, 79);
    writeNameToScreen(day.data(), day.size());
    EXPECT_TRUE(holds(5, 79, 0x65E5, COMMON_LVB_LEADING_BYTE));
    EXPECT_TRUE(holds(5, 80, 0x65E5, COMMON_LVB_TRAILING_BYTE));
    moveCursor(6, 80);
    writeNameToScreen(day.data(), day.size());
    EXPECT_TRUE(holds(6, 80, L' ', 0)) << "the last column is left blank";
    EXPECT_TRUE(holds(7, 1, 0x65E5, COMMON_LVB_LEADING_BYTE));
    EXPECT_EQ(snapshot().cursorColumn, 3);
    moveCursor(5, 80);
    write("x");
    EXPECT_TRUE(holds(5, 79, L' ', 0)) << "the left half, cut off, is blank";
    EXPECT_TRUE(holds(5, 80, L'x', 0));
    presetCharacterWidth(0x65E5, 1);
}

// Every way out also gives the console's later text its start colours back,
// and a line of its own: a line end where the cursor is not in the first column.
TEST_F(ConsoleHostTest, CloseLogoffShutdownAndCtrlCRemoveTheUnfinishedFile) {
    shape(CLASSIC);
    const WORD startAttribute = info().wAttributes;
    const struct {
        const char* name;
        DWORD kind;
        BOOL handled;
        int column; // of the cursor before
    } cases[] = {
        {"close", CTRL_CLOSE_EVENT, TRUE, 10},
        {"logoff", CTRL_LOGOFF_EVENT, TRUE, 1},
        {"shutdown", CTRL_SHUTDOWN_EVENT, TRUE, 80},
        {"Ctrl+C, left to the default action", CTRL_C_EVENT, FALSE, 2},
    };
    TemporaryDirectory directory;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(openFile("out.txt", FileMode::Output, DATA_FILE_NUMBER), FILE_OK);
        ASSERT_EQ(temporaryFilesIn(".").size(), 1u);
        setColour(15, 1);
        moveCursor(17, c.column);
        const std::string before = windowText(17);
        EXPECT_EQ(consoleControlHandler(c.kind), c.handled);
        EXPECT_EQ(info().wAttributes, startAttribute);
        EXPECT_EQ(snapshot().cursorColumn, 1);
        EXPECT_EQ(snapshot().cursorRow, c.column == 1 ? 17 : 18);
        EXPECT_EQ(windowText(17), before) << "the line end writes no character";
        // The file was removed while open, so it cannot be put in place.
        EXPECT_NE(closeFile(DATA_FILE_NUMBER), FILE_OK);
        EXPECT_TRUE(temporaryFilesIn(".").empty());
        EXPECT_FALSE(std::filesystem::exists("out.txt"));
    }
}

// The way out of a normal end, on the bottom row: the line end moves the
// text up, as it would in the shell.
TEST_F(ConsoleHostTest, TheWayOutOnTheBottomRowScrolls) {
    shape(CLASSIC);
    setColour(15, 1);
    clearScreen();
    moveCursor(25, 1);
    write("last");
    leaveConsole();
    const Snapshot shot = snapshot();
    EXPECT_EQ(shot.cursorColumn, 1);
    EXPECT_EQ(shot.cursorRow, 25);
    EXPECT_EQ(shot.rows[23].substr(0, 4), "last");
    leaveConsole();
    EXPECT_EQ(snapshot().rows[23].substr(0, 4), "last") << "in the first column, no line end";
}

} // namespace
