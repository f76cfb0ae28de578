#pragma once

// What the two halves of the Windows console host share, and the ways in
// that the console host tests need: the control handler, the way out, and
// calls to treat as failed so that every fallback can be reached. The screen
// half starts the input half and owns every way out; the input half calls
// nothing of the screen's.

#include <windows.h>

// Takes the input handle and sets its mode; runs once, at the first start.
void startConsoleInput();

// What every way out leaves: the console's text attribute of the start for
// later text (the cells on screen keep their colours), and the cursor in the
// first column, after a line end where it was not.
void leaveConsole();

// The console's control handler: removes an unfinished data file and leaves
// the console; close, logoff and shutdown are reported handled, and the
// system ends the process.
BOOL WINAPI consoleControlHandler(DWORD kind);

// Console calls the surface can do without, each by a fallback of its own.
enum ConsoleCall : unsigned {
    CALL_NONE = 0,
    CALL_MOVE_WINDOW = 1,    // SetConsoleWindowInfo
    CALL_SCROLL_BUFFER = 2,  // ScrollConsoleScreenBufferA
    CALL_FILL = 4,           // FillConsoleOutputCharacterA and FillConsoleOutputAttribute
    CALL_WRITE_CELLS = 8,    // WriteConsoleOutputA
    CALL_READ_CELLS = 16,    // ReadConsoleOutputA
    CALL_SET_ATTRIBUTE = 32, // SetConsoleTextAttribute
    CALL_PLACE_CURSOR = 64,  // SetConsoleCursorPosition
};

// Makes the surface take the given calls as failed, until the next call.
void refuseConsoleCalls(unsigned calls);
// Gives a character the width a console would, without asking this one:
// Wine's console gives every character one cell.
void presetCharacterWidth(char32_t code, int width);
