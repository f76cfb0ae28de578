#pragma once

// Brings a terminal up to date with a ScreenModel by comparing it with what
// the terminal is known to show, and writing ECMA-48 sequences for the
// difference only.

#include <cstdint>
#include <string>
#include <vector>

#include "services/host/screen_model.h"

struct Presenter {
    ScreenModel shown;           // what the terminal shows, as far as known
    bool shownKnown = false;     // false: repaint every cell at the next present
    bool attributeKnown = false; // whether the terminal's colours are known
    std::uint8_t attribute = 0;  // the terminal's colours when known
    bool cursorKnown = false;
    int cursorRow = 1;
    int cursorColumn = 1;
    bool utf8 = true;        // glyphs as UTF-8, or "?" for non-ASCII
    int terminalWidth = 80;  // the terminal's size: cells beyond the model
    int terminalHeight = 25; // stay blank; a smaller one shows a notice
    // The terminal size the notice was last drawn for, 0 x 0 while none stands.
    int noticeWidth = 0;
    int noticeHeight = 0;
    // Rows whose content the terminal made up when it moved lines: resent whole.
    std::vector<bool> rowUnknown;
};

// Appends to out the bytes that make the terminal show model, its cursor and
// leave its colours at model.attribute; afterwards the presenter knows the
// terminal shows model. Rows that moved up or down as a block are moved by the
// terminal (a scroll region and line feeds) rather than resent. On a larger
// terminal every cell outside the model is blank; on one too small for the
// model a one-line notice of the size needed stands in its place.
void present(Presenter& presenter, const ScreenModel& model, std::string& out);
// Forgets what the terminal shows, so the next present repaints everything.
void forgetTerminal(Presenter& presenter);
// Whether the terminal is too small for the model, and shows the notice instead.
bool terminalTooSmall(const Presenter& presenter, const ScreenModel& model);
