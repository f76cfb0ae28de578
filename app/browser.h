#pragma once

// The file browser: the whole screen redrawn from the current directory, and
// the keys that move the highlight or ask for something.

#include "app/program_state.h"

enum class BrowserRequest { Redraw, EnterDirectory, Convert, Quit };

inline constexpr int LIST_ROWS = 20;
inline constexpr int SHORT_NAME_LENGTH = 30;
inline constexpr std::size_t SHORT_NAME_WIDTH = 40;

void drawBrowser(ProgramState& state);
BrowserRequest runKeyLoop(ProgramState& state);
