#pragma once

// What the files of the POSIX terminal host share: the terminal's record for
// the run, and the steps one of them takes for another. terminal_modes.cpp
// sets the terminal up, keeps its signals and gives it back at every way
// out; terminal_output.cpp presents the screen; terminal_input.cpp reads keys.

#include <termios.h>

#include <cstddef>
#include <string>

#include "services/host/terminal_keys.h"
#include "services/posix/presenter.h"
#include "services/posix/write_all.h"

struct TerminalHost {
    bool started = false;
    bool outputIsTerminal = false;
    bool inputIsTerminal = false;
    Presenter presenter;
    int bells = 0;
    // Bytes for an output that is not a terminal, written at the next present.
    std::string passedThrough;
    bool inputEnded = false;
    termios savedModes{};
    TerminalKeyDecoder decoder;
};

TerminalHost& terminalHost();

// Whether the terminal was resized or came back from a suspension since the
// last present; taking it lowers the flag.
bool terminalChangePending();
bool takeTerminalChange();
// Notes that the screen stands on the terminal, and whether its cursor was
// left in column 1, for the way out.
void noteScreenSent(bool cursorAtLineStart);
// The terminal's size now, or 80 x 25 when it cannot tell.
void readTerminalSize(int& columns, int& rows);
