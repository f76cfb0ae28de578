#include "services/posix/presenter.h"

#include <algorithm>

#include "services/posix/glyphs.h"

namespace {

// The ECMA-48 colour number of a palette colour 0-15: 30-37 or 90-97 for the
// foreground; add 10 for the background.
int foregroundCode(int colour) {
    int red = (colour >> 2) & 1;
    int green = (colour >> 1) & 1;
    int blue = colour & 1;
    int index = red + green * 2 + blue * 4;
    return ((colour & 8) ? 90 : 30) + index;
}

void setAttribute(Presenter& p, std::uint8_t attribute, std::string& out) {
    if (p.attributeKnown && p.attribute == attribute)
        return;
    std::string fg = std::to_string(foregroundCode(attribute & 15));
    std::string bg = std::to_string(foregroundCode(attribute >> 4) + 10);
    bool fgChanged = !p.attributeKnown || ((p.attribute ^ attribute) & 0x0F) != 0;
    bool bgChanged = !p.attributeKnown || ((p.attribute ^ attribute) & 0xF0) != 0;
    out += p.attributeKnown ? "\x1b[" : "\x1b[0;";
    if (fgChanged)
        out += fg;
    if (fgChanged && bgChanged)
        out += ';';
    if (bgChanged)
        out += bg;
    out += 'm';
    p.attribute = attribute;
    p.attributeKnown = true;
}

void moveCursor(Presenter& p, int row, int column, std::string& out) {
    if (p.cursorKnown && p.cursorRow == row && p.cursorColumn == column)
        return;
    out += "\x1b[" + std::to_string(row) + ';' + std::to_string(column) + 'H';
    p.cursorRow = row;
    p.cursorColumn = column;
    p.cursorKnown = true;
}

void sendCell(Presenter& p, int row, int column, const Cell& cell, std::string& out) {
    moveCursor(p, row, column, out);
    setAttribute(p, cell.attribute, out);
    appendGlyph(out, cell.byte, p.utf8);
    // At the last column terminals differ on where the cursor stays.
    if (column >= p.terminalWidth)
        p.cursorKnown = false;
    else
        p.cursorColumn = column + 1;
}

bool sameSize(const ScreenModel& a, const ScreenModel& b) {
    return a.width == b.width && a.height == b.height;
}

void sendCells(Presenter& p, const ScreenModel& model, std::string& out) {
    bool everything = !p.shownKnown || !sameSize(p.shown, model);
    int rows = std::min(model.height, p.terminalHeight);
    int columns = std::min(model.width, p.terminalWidth);
    for (int row = 1; row <= rows; ++row) {
        for (int column = 1; column <= columns; ++column) {
            const Cell& cell = cellAt(model, row, column);
            if (everything || !(cellAt(p.shown, row, column) == cell))
                sendCell(p, row, column, cell, out);
        }
    }
}

} // namespace

void present(Presenter& p, const ScreenModel& model, std::string& out) {
    sendCells(p, model, out);
    int row = std::clamp(model.cursorRow, 1, std::max(p.terminalHeight, 1));
    int column = std::clamp(model.cursorColumn, 1, std::max(p.terminalWidth, 1));
    moveCursor(p, row, column, out);
    setAttribute(p, model.attribute, out);
    p.shown = model;
    p.shownKnown = true;
}

void forgetTerminal(Presenter& p) {
    p.shownKnown = false;
    p.attributeKnown = false;
    p.cursorKnown = false;
}
