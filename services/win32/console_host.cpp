// The screen on the Windows console: the surface is the console's own screen
// buffer. The text area is at most 80 x 25 cells at the top left of the
// window, wherever the window stands in the buffer. Cells are written as
// UTF-16, each character in as many cells as the console itself gives it.
// Every console call that fails falls back to another form that leaves the
// same cells.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "services/host/host.h"
#include "services/host/utf8.h"
#include "services/win32/console_host.h"

namespace {

constexpr std::uint8_t FALLBACK_ATTRIBUTE = 7;
constexpr DWORD BEEP_HERTZ = 1000;
constexpr DWORD BEEP_MS = 250;

struct ConsoleSurface {
    bool started = false;
    HANDLE output = INVALID_HANDLE_VALUE;
    // Decided once, at start-up.
    bool isConsole = false;
    // The geometry last read, for a read that fails later.
    CONSOLE_SCREEN_BUFFER_INFO last{};
    // An attribute or cursor position the console refused, kept here so that
    // output goes on where and how the services asked.
    bool attributeRefused = false;
    WORD attribute = FALLBACK_ATTRIBUTE;
    bool cursorRefused = false;
    COORD cursor{0, 0};
    unsigned refusedCalls = CALL_NONE;
    // The text attribute the console had at start, given back at every way out.
    WORD startAttribute = FALLBACK_ATTRIBUTE;
    // A screen buffer never shown, where the console is asked how many cells
    // a character takes, and the answers so far.
    HANDLE measuring = INVALID_HANDLE_VALUE;
    std::unordered_map<char32_t, int> widths;
    // Whether a wide character was ever written: only then can a run cut one in two.
    bool wideWritten = false;
    bool controlHandlerInstalled = false;
};

ConsoleSurface surface;

bool refused(ConsoleCall call) {
    return (surface.refusedCalls & call) != 0;
}

void ensureStarted() {
    if (!surface.started)
        hostStartConsole();
}

// The buffer's geometry now, or as last read when the console cannot tell.
const CONSOLE_SCREEN_BUFFER_INFO& geometry() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(surface.output, &info))
        surface.last = info;
    return surface.last;
}

int windowWidth(const CONSOLE_SCREEN_BUFFER_INFO& info) {
    return info.srWindow.Right - info.srWindow.Left + 1;
}

int windowHeight(const CONSOLE_SCREEN_BUFFER_INFO& info) {
    return info.srWindow.Bottom - info.srWindow.Top + 1;
}

// The text area's columns: up to 80, as many as the buffer holds right of the window's left edge.
int areaWidth(const CONSOLE_SCREEN_BUFFER_INFO& info) {
    return std::clamp(info.dwSize.X - info.srWindow.Left, 1, SCREEN_COLUMNS);
}

int areaHeight(const CONSOLE_SCREEN_BUFFER_INFO& info) {
    return std::clamp(windowHeight(info), 1, SCREEN_ROWS);
}

// The buffer cell of a cell of the window, rows and columns from 1.
COORD cellOf(const CONSOLE_SCREEN_BUFFER_INFO& info, int row, int column) {
    return {static_cast<SHORT>(info.srWindow.Left + column - 1),
            static_cast<SHORT>(info.srWindow.Top + row - 1)};
}

CHAR_INFO blank(WORD attribute) {
    CHAR_INFO cell;
    cell.Char.UnicodeChar = L' ';
    cell.Attributes = attribute;
    return cell;
}

// Puts cells on one row from at; the characters and the colours in calls of
// their own when the console refuses them together.
void putCells(COORD at, const CHAR_INFO* cells, int count) {
    SMALL_RECT target{at.X, at.Y, static_cast<SHORT>(at.X + count - 1), at.Y};
    if (!refused(CALL_WRITE_CELLS) &&
        WriteConsoleOutputW(surface.output, cells, COORD{static_cast<SHORT>(count), 1}, COORD{0, 0},
                            &target))
        return;
    std::vector<wchar_t> characters(static_cast<std::size_t>(count));
    std::vector<WORD> attributes(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < characters.size(); ++i) {
        characters[i] = cells[i].Char.UnicodeChar;
        attributes[i] = cells[i].Attributes;
    }
    DWORD written = 0;
    WriteConsoleOutputCharacterW(surface.output, characters.data(), static_cast<DWORD>(count), at,
                                 &written);
    WriteConsoleOutputAttribute(surface.output, attributes.data(), static_cast<DWORD>(count), at,
                                &written);
}

// Reads the cells of one buffer row; false when neither form of reading works.
bool readRow(SHORT y, std::vector<CHAR_INFO>& cells) {
    const auto width = static_cast<SHORT>(cells.size());
    SMALL_RECT source{0, y, static_cast<SHORT>(width - 1), y};
    if (!refused(CALL_READ_CELLS) &&
        ReadConsoleOutputW(surface.output, cells.data(), COORD{width, 1}, COORD{0, 0}, &source))
        return true;
    std::vector<wchar_t> characters(cells.size());
    std::vector<WORD> attributes(cells.size());
    DWORD read = 0;
    if (!ReadConsoleOutputCharacterW(surface.output, characters.data(), static_cast<DWORD>(width),
                                     COORD{0, y}, &read) ||
        read != static_cast<DWORD>(width) ||
        !ReadConsoleOutputAttribute(surface.output, attributes.data(), static_cast<DWORD>(width),
                                    COORD{0, y}, &read) ||
        read != static_cast<DWORD>(width))
        return false;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cells[i].Char.UnicodeChar = characters[i];
        cells[i].Attributes = attributes[i];
    }
    return true;
}

// Makes count cells of one row from at spaces in the attribute.
void blankCells(COORD at, int count, WORD attribute) {
    if (count <= 0)
        return;
    DWORD written = 0;
    if (!refused(CALL_FILL) &&
        FillConsoleOutputCharacterW(surface.output, L' ', static_cast<DWORD>(count), at,
                                    &written) &&
        FillConsoleOutputAttribute(surface.output, attribute, static_cast<DWORD>(count), at,
                                   &written))
        return;
    const std::vector<CHAR_INFO> blanks(static_cast<std::size_t>(count), blank(attribute));
    putCells(at, blanks.data(), count);
}

// Moves the window down over rows of the buffer below it.
bool moveWindowDown(const CONSOLE_SCREEN_BUFFER_INFO& info, int rows) {
    SMALL_RECT window = info.srWindow;
    window.Top = static_cast<SHORT>(window.Top + rows);
    window.Bottom = static_cast<SHORT>(window.Bottom + rows);
    return !refused(CALL_MOVE_WINDOW) && SetConsoleWindowInfo(surface.output, TRUE, &window);
}

// Moves rows n to the end of the buffer up to row 0; the n rows freed at the
// bottom become spaces in the attribute.
bool scrollBuffer(const CONSOLE_SCREEN_BUFFER_INFO& info, int rows, WORD attribute) {
    if (rows >= info.dwSize.Y || refused(CALL_SCROLL_BUFFER))
        return false;
    const SMALL_RECT moved{0, static_cast<SHORT>(rows), static_cast<SHORT>(info.dwSize.X - 1),
                           static_cast<SHORT>(info.dwSize.Y - 1)};
    const CHAR_INFO fill = blank(attribute);
    return ScrollConsoleScreenBufferW(surface.output, &moved, nullptr, COORD{0, 0}, &fill) != 0;
}

// Moves the window's rows up by rows, one row at a time; a row that cannot be
// read, and the rows freed at the bottom, become spaces in the attribute.
void rewriteWindowRows(const CONSOLE_SCREEN_BUFFER_INFO& info, int rows, WORD attribute) {
    std::vector<CHAR_INFO> cells(static_cast<std::size_t>(info.dwSize.X));
    for (int y = info.srWindow.Top; y <= info.srWindow.Bottom; ++y) {
        const COORD at{0, static_cast<SHORT>(y)};
        const int from = y + rows;
        if (from <= info.srWindow.Bottom && readRow(static_cast<SHORT>(from), cells))
            putCells(at, cells.data(), info.dwSize.X);
        else
            blankCells(at, info.dwSize.X, attribute);
    }
}

// The first code point of a character as the console's one UTF-16 unit; a
// character beyond the first plane, which no cell holds, shows as U+FFFD.
wchar_t unitOf(const ScreenCharacter& character) {
    char32_t code = 0;
    const std::string_view bytes(character.bytes, character.length);
    if (bytes.empty() || decodeUtf8(bytes, code, false) == 0 || code > 0xFFFF)
        return L'\uFFFD';
    return static_cast<wchar_t>(code);
}

// Whether the cell at is the given half of a wide character.
bool isHalf(COORD at, WORD half) {
    CHAR_INFO cell;
    SMALL_RECT source{at.X, at.Y, at.X, at.Y};
    return ReadConsoleOutputW(surface.output, &cell, COORD{1, 1}, COORD{0, 0}, &source) &&
           (cell.Attributes & half) != 0;
}

// Makes a cell a space in its own colours, without the mark of a half.
void blankHalf(COORD cell) {
    DWORD done = 0;
    WORD attribute = 0;
    ReadConsoleOutputAttribute(surface.output, &attribute, 1, cell, &done);
    FillConsoleOutputCharacterW(surface.output, L' ', 1, cell, &done);
    constexpr WORD halves = COMMON_LVB_LEADING_BYTE | COMMON_LVB_TRAILING_BYTE;
    FillConsoleOutputAttribute(surface.output, static_cast<WORD>(attribute & ~halves), 1, cell,
                               &done);
}

// Blanks the halves of wide characters that a run of count cells from at
// cuts off, as a terminal does.
void blankCutHalves(const CONSOLE_SCREEN_BUFFER_INFO& info, COORD at, int count) {
    const COORD last{static_cast<SHORT>(at.X + count - 1), at.Y};
    if (at.X > info.srWindow.Left && isHalf(at, COMMON_LVB_TRAILING_BYTE))
        blankHalf(COORD{static_cast<SHORT>(at.X - 1), at.Y});
    if (last.X + 1 < info.dwSize.X && isHalf(last, COMMON_LVB_LEADING_BYTE))
        blankHalf(COORD{static_cast<SHORT>(last.X + 1), at.Y});
}

// Asks the console, on a screen buffer never shown, how far writing the
// character moves the cursor.
int measuredWidth(char32_t code) {
    if (surface.measuring == INVALID_HANDLE_VALUE)
        surface.measuring = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                      CONSOLE_TEXTMODE_BUFFER, nullptr);
    const wchar_t unit = static_cast<wchar_t>(code);
    DWORD written = 0;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (surface.measuring == INVALID_HANDLE_VALUE ||
        !SetConsoleCursorPosition(surface.measuring, COORD{0, 0}) ||
        !WriteConsoleW(surface.measuring, &unit, 1, &written, nullptr) ||
        !GetConsoleScreenBufferInfo(surface.measuring, &info) || info.dwCursorPosition.Y != 0)
        return 1;
    return std::clamp<int>(info.dwCursorPosition.X, 1, 2);
}

CONSOLE_SCREEN_BUFFER_INFO screenLaidOutFor() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    info.dwSize = {SCREEN_COLUMNS, SCREEN_ROWS};
    info.srWindow = {0, 0, SCREEN_COLUMNS - 1, SCREEN_ROWS - 1};
    info.wAttributes = FALLBACK_ATTRIBUTE;
    return info;
}

} // namespace

void refuseConsoleCalls(unsigned calls) {
    surface.refusedCalls = calls;
}

void presetCharacterWidth(char32_t code, int width) {
    surface.widths[code] = width;
}

void leaveConsole() {
    if (!surface.isConsole)
        return;
    SetConsoleTextAttribute(surface.output, surface.startAttribute);
    CONSOLE_SCREEN_BUFFER_INFO info;
    DWORD written = 0;
    if (GetConsoleScreenBufferInfo(surface.output, &info) && info.dwCursorPosition.X != 0)
        WriteConsoleW(surface.output, L"\r\n", 2, &written, nullptr);
}

BOOL WINAPI consoleControlHandler(DWORD kind) {
    // Whatever ends the process, an unfinished data file must not stay
    // behind, and the console's later text starts as at every way out.
    hostRemoveUnfinishedReplacements();
    leaveConsole();
    switch (kind) {
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // Handled: the system ends the process once the handler returns.
        return TRUE;
    default:
        // Ctrl+C and Ctrl+Break end the process by the default action.
        return FALSE;
    }
}

namespace {

void removeControlHandler() {
    SetConsoleCtrlHandler(consoleControlHandler, FALSE);
}

} // namespace

void hostProtectUnfinishedFiles() {
    if (surface.controlHandlerInstalled)
        return;
    surface.controlHandlerInstalled = SetConsoleCtrlHandler(consoleControlHandler, TRUE) != 0;
    if (surface.controlHandlerInstalled)
        std::atexit(removeControlHandler);
}

bool hostStartConsole() {
    const bool first = !surface.started;
    surface.started = true;
    surface.output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    surface.isConsole = GetConsoleScreenBufferInfo(surface.output, &info) != 0;
    surface.last = surface.isConsole ? info : screenLaidOutFor();
    surface.startAttribute = surface.last.wAttributes;
    if (first)
        std::atexit(leaveConsole);
    surface.attributeRefused = false;
    surface.cursorRefused = false;
    startConsoleInput();
    hostProtectUnfinishedFiles();
    return true;
}

bool surfaceIsConsole() {
    ensureStarted();
    return surface.isConsole;
}

int surfaceWidth() {
    ensureStarted();
    return surface.isConsole ? areaWidth(geometry()) : SCREEN_COLUMNS;
}

int surfaceHeight() {
    ensureStarted();
    return surface.isConsole ? areaHeight(geometry()) : SCREEN_ROWS;
}

bool surfaceCursor(int& row, int& column, std::uint8_t& attribute) {
    ensureStarted();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!surface.isConsole || !GetConsoleScreenBufferInfo(surface.output, &info)) {
        attribute = FALLBACK_ATTRIBUTE;
        return false;
    }
    surface.last = info;
    const COORD cursor = surface.cursorRefused ? surface.cursor : info.dwCursorPosition;
    row = cursor.Y - info.srWindow.Top + 1;
    column = cursor.X - info.srWindow.Left + 1;
    const WORD current = surface.attributeRefused ? surface.attribute : info.wAttributes;
    attribute = static_cast<std::uint8_t>(current & 0xFF);
    return true;
}

void surfaceSetAttribute(std::uint8_t attribute) {
    ensureStarted();
    if (!surface.isConsole)
        return;
    surface.attribute = attribute;
    surface.attributeRefused =
        refused(CALL_SET_ATTRIBUTE) || !SetConsoleTextAttribute(surface.output, attribute);
}

void surfacePutRun(int row, int column, const ScreenCharacter* characters, std::size_t count,
                   std::uint8_t attribute) {
    ensureStarted();
    if (count == 0 || !surface.isConsole)
        return;
    std::vector<CHAR_INFO> cells;
    cells.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        CHAR_INFO cell;
        cell.Char.UnicodeChar = unitOf(characters[i]);
        cell.Attributes = attribute;
        // A wide character fills two cells, its halves marked as the console marks them.
        if (characters[i].width == 2) {
            cell.Attributes = static_cast<WORD>(attribute | COMMON_LVB_LEADING_BYTE);
            cells.push_back(cell);
            cell.Attributes = static_cast<WORD>(attribute | COMMON_LVB_TRAILING_BYTE);
            surface.wideWritten = true;
        }
        cells.push_back(cell);
    }
    const CONSOLE_SCREEN_BUFFER_INFO& info = geometry();
    const COORD at = cellOf(info, row, column);
    if (surface.wideWritten)
        blankCutHalves(info, at, static_cast<int>(cells.size()));
    putCells(at, cells.data(), static_cast<int>(cells.size()));
}

// The console shows every character of a name as itself.
bool surfaceShowsUtf8() {
    return true;
}

// As many cells as the console gives the character, where each UTF-16 unit
// takes a cell of its own: a mark does not join the one before, and a
// character beyond the first plane is a single U+FFFD.
int surfaceCharacterWidth(char32_t code) {
    if (code < 0x80)
        return 1;
    if (code > 0xFFFF)
        return 1;
    const auto known = surface.widths.find(code);
    if (known != surface.widths.end())
        return known->second;
    const int width = measuredWidth(code);
    surface.widths.emplace(code, width);
    return width;
}

void surfaceFillRow(int row, std::uint8_t attribute) {
    ensureStarted();
    if (!surface.isConsole)
        return;
    const CONSOLE_SCREEN_BUFFER_INFO& info = geometry();
    blankCells(cellOf(info, row, 1), areaWidth(info), attribute);
}

void surfaceBlankOutside(std::uint8_t attribute) {
    ensureStarted();
    if (!surface.isConsole)
        return;
    const CONSOLE_SCREEN_BUFFER_INFO info = geometry();
    for (int row = 1; row <= windowHeight(info); ++row) {
        const int first = row <= areaHeight(info) ? areaWidth(info) + 1 : 1;
        blankCells(cellOf(info, row, first), windowWidth(info) - first + 1, attribute);
    }
}

void surfaceScrollUp(int rows, std::uint8_t attribute) {
    ensureStarted();
    if (rows <= 0 || !surface.isConsole)
        return;
    CONSOLE_SCREEN_BUFFER_INFO info = geometry();
    // Rows of the buffer below the window come into view first.
    const int below = std::max(info.dwSize.Y - 1 - info.srWindow.Bottom, 0);
    const int slide = std::min(rows, below);
    int rest = rows;
    if (slide > 0 && moveWindowDown(info, slide)) {
        info = geometry();
        rest -= slide;
    }
    if (rest <= 0)
        return;
    int scrolledBottom = info.dwSize.Y - 1;
    if (!scrollBuffer(info, rest, attribute)) {
        rewriteWindowRows(info, rest, attribute);
        scrolledBottom = info.srWindow.Bottom;
    }
    // Below a window taller than the text area, rows outside it moved up into
    // it: the freed rows of the text area are blanked as well.
    const int height = areaHeight(info);
    if (info.srWindow.Top + height - 1 >= scrolledBottom)
        return;
    for (int row = std::max(height - rest + 1, 1); row <= height; ++row)
        blankCells(cellOf(info, row, 1), areaWidth(info), attribute);
}

void surfacePlaceCursor(int row, int column) {
    ensureStarted();
    if (!surface.isConsole)
        return;
    surface.cursor = cellOf(geometry(), row, column);
    surface.cursorRefused =
        refused(CALL_PLACE_CURSOR) || !SetConsoleCursorPosition(surface.output, surface.cursor);
}

bool surfacePassThrough(const char* bytes, std::size_t count) {
    ensureStarted();
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(surface.output, bytes, static_cast<DWORD>(count), &written, nullptr) ||
            written == 0)
            return false;
        bytes += written;
        count -= written;
    }
    return true;
}

void surfaceBeep() {
    Beep(BEEP_HERTZ, BEEP_MS);
}

// The console shows every change as it is made.
void surfacePresent() {}

// The text area shrinks with the window; it is always seen.
bool surfaceShowsScreen() {
    return true;
}
