#pragma once

// The console screen: cells in 16 colours, the cursor, and the wrap and
// scroll rules of a character console, over the host's surface.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "services/host/screen_characters.h"
#include "services/host/screen_size.h"

// The colours of later output are the surface's own (its attribute).
struct ConsoleState {
    // The last write filled the bottom row's last cell; the move to the next
    // row is owed until the next output.
    bool pendingLine = false;
    // Characters written to the screen since the last carriage return or line feed.
    std::size_t column = 0;
    // The window's height, read once, at the first operation that needs it.
    int height = 0;
};

// The 16 palette colours: bit 0 blue, bit 1 green, bit 2 red, bit 3 bright,
// for the foreground and the background alike.
enum Colour : int {
    BLACK = 0,
    BLUE = 1,
    GREEN = 2,
    CYAN = 3,
    RED = 4,
    MAGENTA = 5,
    BROWN = 6,
    LIGHT_GREY = 7,
    DARK_GREY = 8,
    LIGHT_BLUE = 9,
    LIGHT_GREEN = 10,
    LIGHT_CYAN = 11,
    LIGHT_RED = 12,
    LIGHT_MAGENTA = 13,
    YELLOW = 14,
    WHITE = 15,
};

inline constexpr std::uint8_t attributeOf(int foreground, int background) {
    return static_cast<std::uint8_t>((foreground & 15) + 16 * (background & 15));
}

// False when the terminal cannot show the screen at all; nothing is then
// sent to it.
bool startConsole();
void setColour(int foreground, int background);
void clearScreen();
void moveCursor(int row, int column);
void writeToScreen(const char* bytes, std::size_t count);
// Writes a name or path as its characters, each in the cells it takes, wide
// ones wrapped whole; its control bytes show as glyphs and never act.
void writeNameToScreen(const char* bytes, std::size_t count);
// How much of the start of a name shows in at most characters characters
// and at most cells cells.
NameStart screenNameStart(std::string_view name, std::size_t characters, std::size_t cells);
// Makes the user see the screen as it now stands.
void flushScreen();
// True when the output is not a console: every printed byte goes there unchanged.
bool screenIsRedirected();
const ConsoleState& consoleState();
