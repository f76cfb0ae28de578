#pragma once

// The file browser: the whole screen redrawn from the current directory, and
// the keys that move the highlight or ask for something.

#include "app/program_state.h"

enum class BrowserRequest { Redraw, EnterDirectory, Convert, Quit };

inline constexpr std::size_t LIST_ROWS = 20;
// A bitmap's name field: at most 30 characters in at most 30 cells, then
// blanks up to 40 cells.
inline constexpr std::size_t SHORT_NAME_LENGTH = 30;
inline constexpr std::size_t SHORT_NAME_WIDTH = 40;

// Whether the entry at index (from 1) is drawn: the window starts at the
// highlighted entry, or shows the last LIST_ROWS when fewer remain from it.
bool inListWindow(std::size_t highlight, std::size_t entryCount, std::size_t index);
void drawBrowser(ProgramState& state);
BrowserRequest runKeyLoop(ProgramState& state);
