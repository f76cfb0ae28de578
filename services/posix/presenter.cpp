#include "services/posix/presenter.h"

#include <algorithm>
#include <cstdlib>

#include "services/posix/line_moves.h"

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

// Appends a character as UTF-8, or, on a terminal that does not take UTF-8,
// as itself when it is ASCII and "?" when it is not.
void appendCharacter(std::string& out, const ScreenCharacter& character, bool utf8) {
    const bool ascii =
        character.length == 1 && static_cast<unsigned char>(character.bytes[0]) < 0x80;
    if (utf8 || ascii)
        out.append(character.bytes, character.length);
    else
        out += '?';
}

void sendCell(Presenter& p, int row, int column, const Cell& cell, std::string& out) {
    moveCursor(p, row, column, out);
    setAttribute(p, cell.attribute, out);
    appendCharacter(out, cell.character, p.utf8);
    // At the last column terminals differ on where the cursor stays; after a
    // character beyond ASCII a terminal may count its cells otherwise than
    // the C library does, and the next cell is placed by a move of its own.
    const int last = column + cell.character.width - 1;
    const bool ascii = static_cast<unsigned char>(cell.character.bytes[0]) < 0x80;
    if (last >= p.terminalWidth || !ascii)
        p.cursorKnown = false;
    else
        p.cursorColumn = last + 1;
}

bool sameSize(const ScreenModel& a, const ScreenModel& b) {
    return a.width == b.width && a.height == b.height;
}

// Lets the terminal move a block of rows that moved in the model: a scroll
// region, then line feeds at its bottom (up) or reverse index at its top (down).
void moveLines(Presenter& p, const ScreenModel& model, std::string& out) {
    // Only whole terminal rows: a move must not drag cells beyond the model.
    if (!p.shownKnown || !sameSize(p.shown, model) || model.width != p.terminalWidth)
        return;
    const LineMove move = bestLineMove(p.shown, model, std::min(model.height, p.terminalHeight));
    if (move.rows == 0)
        return;
    const int span = std::abs(move.rows);
    out += "\x1b[" + std::to_string(move.top) + ';' + std::to_string(move.bottom) + 'r';
    p.cursorKnown = false;
    if (move.rows > 0) {
        moveCursor(p, move.bottom, 1, out);
        out.append(static_cast<std::size_t>(span), '\n');
    } else {
        moveCursor(p, move.top, 1, out);
        for (int i = 0; i < span; ++i)
            out += "\x1bM";
    }
    out += "\x1b[r"; // the whole screen again; the cursor goes home
    p.cursorKnown = false;
    applyLineMove(p.shown, move);
    const int firstFresh = move.rows > 0 ? move.bottom - span + 1 : move.top;
    p.rowUnknown.assign(static_cast<std::size_t>(model.height), false);
    for (int row = firstFresh; row < firstFresh + span; ++row)
        p.rowUnknown[static_cast<std::size_t>(row - 1)] = true;
}

bool rowUnknown(const Presenter& p, int row) {
    const auto index = static_cast<std::size_t>(row - 1);
    return index < p.rowUnknown.size() && p.rowUnknown[index];
}

void sendCells(Presenter& p, const ScreenModel& model, std::string& out) {
    bool everything = !p.shownKnown || !sameSize(p.shown, model);
    int rows = std::min(model.height, p.terminalHeight);
    int columns = std::min(model.width, p.terminalWidth);
    for (int row = 1; row <= rows; ++row) {
        const bool wholeRow = everything || rowUnknown(p, row);
        for (int column = 1; column <= columns; ++column) {
            const Cell& cell = cellAt(model, row, column);
            // The right half of a wide character goes with its left half,
            // which differs whenever it does.
            if (cell.character.width == 0)
                continue;
            if (wholeRow || !(cellAt(p.shown, row, column) == cell))
                sendCell(p, row, column, cell, out);
        }
    }
    p.rowUnknown.clear();
}

// Erases the whole terminal in its default colours; nothing of it is then known
// but that it is blank.
void eraseTerminal(Presenter& p, std::string& out) {
    out += "\x1b[0m\x1b[2J";
    p.attributeKnown = false;
    p.cursorKnown = false;
}

// The notice for a terminal of room columns: the longest of its forms that
// fits, each leading with the size needed; the shortest, cut, where none does.
std::string sizeNotice(const Presenter& p, const ScreenModel& model, std::size_t room) {
    const std::string needed = std::to_string(model.width) + " x " + std::to_string(model.height);
    const std::string present =
        std::to_string(p.terminalWidth) + " x " + std::to_string(p.terminalHeight);
    const std::string forms[] = {
        "Pictoline needs " + needed + "; this terminal is " + present,
        "Needs " + needed + "; this is " + present,
        "Needs " + needed + "; has " + present,
        "Needs " + needed,
        "Needs " + std::to_string(model.width) + "x" + std::to_string(model.height),
    };
    for (const std::string& form : forms) {
        if (form.size() <= room)
            return form;
    }
    return (std::to_string(model.width) + "x" + std::to_string(model.height)).substr(0, room);
}

// Says, on a blank terminal, what size the model needs and what size it has.
void showSizeNotice(Presenter& p, const ScreenModel& model, std::string& out) {
    if (p.noticeWidth == p.terminalWidth && p.noticeHeight == p.terminalHeight)
        return;
    eraseTerminal(p, out);
    // Never the last column, where terminals differ on where the cursor stays.
    const auto room = static_cast<std::size_t>(std::max(p.terminalWidth - 1, 0));
    out += "\x1b[1;1H" + sizeNotice(p, model, room);
    p.noticeWidth = p.terminalWidth;
    p.noticeHeight = p.terminalHeight;
    p.shownKnown = false;
}

} // namespace

void present(Presenter& p, const ScreenModel& model, std::string& out) {
    if (terminalTooSmall(p, model)) {
        showSizeNotice(p, model, out);
        return;
    }
    p.noticeWidth = p.noticeHeight = 0;
    const bool larger = p.terminalWidth > model.width || p.terminalHeight > model.height;
    if (larger && (!p.shownKnown || !sameSize(p.shown, model)))
        eraseTerminal(p, out);
    moveLines(p, model, out);
    sendCells(p, model, out);
    int row = std::clamp(model.cursorRow, 1, std::max(p.terminalHeight, 1));
    int column = std::clamp(model.cursorColumn, 1, std::max(p.terminalWidth, 1));
    moveCursor(p, row, column, out);
    setAttribute(p, model.attribute, out);
    p.shown = model;
    p.shownKnown = true;
}

bool terminalTooSmall(const Presenter& p, const ScreenModel& model) {
    return p.terminalWidth < model.width || p.terminalHeight < model.height;
}

void forgetTerminal(Presenter& p) {
    p.shownKnown = false;
    p.attributeKnown = false;
    p.cursorKnown = false;
    p.noticeWidth = p.noticeHeight = 0;
}
