// The console over the tests' fake surface, on screens from 1 x 1 to 80 x 25:
// cursor moves, colours, clears and pieces of arbitrary bytes, as text or as
// names (UTF-8 or a byte a cell). After every call the surface must match a
// plain model of the console's rules: the cells, wide characters whole, the
// cursor (always inside the area), the attribute, the owed row.
//
// The input: the width and height bytes, then operations, each an opcode
// byte and its arguments.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "services/console.h"
#include "services/host/host.h"
#include "services/host/screen_model.h"
#include "tests/fakes/fakes.h"

namespace {

constexpr int TAB_WIDTH = 8;

// What the screen should show, worked out one byte at a time.
struct Model {
    int width = 0;
    int height = 0;
    std::vector<Cell> cells;
    int row = 1;
    int column = 1;
    std::uint8_t attribute = 7;
    bool pendingLine = false;
    std::size_t printColumn = 0;
    bool console = true;
    std::string passedThrough;
};

Model makeModel(int width, int height, bool console) {
    Model model;
    model.width = width;
    model.height = height;
    model.cells.assign(static_cast<std::size_t>(width * height), Cell{});
    model.console = console;
    return model;
}

Cell& cellOf(Model& model, int row, int column) {
    return model.cells[static_cast<std::size_t>((row - 1) * model.width + column - 1)];
}

void scrollModel(Model& model, int rows) {
    for (int n = 0; n < rows && n < model.height; ++n) {
        model.cells.erase(model.cells.begin(), model.cells.begin() + model.width);
        model.cells.insert(model.cells.end(), static_cast<std::size_t>(model.width),
                           Cell{BLANK_CHARACTER, model.attribute});
    }
}

// Where the next character of a piece goes; y may stand below the bottom row.
struct Position {
    int x;
    int y;
};

void takeUpRowsBelow(Model& model, Position& at) {
    if (at.y > model.height) {
        scrollModel(model, at.y - model.height);
        at.y = model.height;
    }
}

// Blanks what is left of a wide character whose other half is overwritten.
void breakAround(Model& model, const Position& at, int cells) {
    if (at.x > 1 && cellOf(model, at.y, at.x).character.width == 0)
        cellOf(model, at.y, at.x - 1).character = BLANK_CHARACTER;
    const int next = at.x + cells;
    if (next <= model.width && cellOf(model, at.y, next).character.width == 0)
        cellOf(model, at.y, next).character = BLANK_CHARACTER;
}

void putCharacter(Model& model, Position& at, const ScreenCharacter& character) {
    takeUpRowsBelow(model, at);
    breakAround(model, at, character.width);
    cellOf(model, at.y, at.x) = Cell{character, model.attribute};
    if (character.width == 2)
        cellOf(model, at.y, at.x + 1) = Cell{RIGHT_HALF, model.attribute};
    at.x += character.width;
    if (at.x > model.width) {
        at.x = 1;
        ++at.y;
    }
}

// A wide character never starts in the last column: that one is left blank.
void putNameCharacter(Model& model, Position& at, const ScreenCharacter& character) {
    if (character.width == 2 && model.width < 2) {
        putCharacter(model, at, fixedCharacter('?'));
        return;
    }
    if (character.width == 2 && at.x == model.width)
        putCharacter(model, at, fixedCharacter(' '));
    putCharacter(model, at, character);
}

void putByte(Model& model, Position& at, unsigned char byte) {
    putCharacter(model, at, fixedCharacter(byte));
}

bool movesOnly(unsigned char byte) {
    return byte == '\r' || byte == '\n' || byte == '\b';
}

// As a name, the piece is its characters and no byte acts.
void modelWrite(Model& model, const std::string& piece, bool asName) {
    if (piece.empty())
        return;
    std::size_t lineEnd = asName ? std::string::npos : piece.find_last_of("\r\n");
    model.printColumn = lineEnd == std::string::npos ? model.printColumn + piece.size()
                                                     : piece.size() - lineEnd - 1;
    if (!model.console) {
        model.passedThrough += piece;
        return;
    }
    Position at{model.column, model.row};
    if (model.pendingLine) {
        model.pendingLine = false;
        at = {1, at.y + 1};
        takeUpRowsBelow(model, at);
    }
    bool endsWithCharacter = asName;
    const NameRule rule{fakeSurface().utf8, surfaceCharacterWidth};
    for (std::size_t i = 0; asName && i < piece.size();) {
        ScreenCharacter character;
        i += readNameCharacter(std::string_view(piece).substr(i), rule, character);
        putNameCharacter(model, at, character);
    }
    for (char c : asName ? std::string() : piece) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == '\r') {
            at.x = 1;
        } else if (byte == '\n') {
            at = {1, at.y + 1};
        } else if (byte == '\b') {
            at.x = at.x > 1 ? at.x - 1 : 1;
        } else if (byte == '\t') {
            for (int n = TAB_WIDTH - (at.x - 1) % TAB_WIDTH; n > 0; --n)
                putByte(model, at, ' ');
        } else if (byte != '\a') {
            putByte(model, at, byte);
        }
        if (byte != '\a')
            endsWithCharacter = !movesOnly(byte);
    }
    if (endsWithCharacter && at.x == 1 && at.y == model.height + 1) {
        model.pendingLine = true;
        model.row = model.height;
        model.column = model.width;
        return;
    }
    takeUpRowsBelow(model, at);
    model.row = at.y;
    model.column = at.x;
}

void modelMove(Model& model, int row, int column) {
    int height = model.console ? model.height : SCREEN_ROWS;
    int width = model.console ? model.width : SCREEN_COLUMNS;
    if (row < 1 || column < 1 || row > height || column > width)
        return;
    model.printColumn = static_cast<std::size_t>(column - 1);
    if (!model.console)
        return;
    model.row = row;
    model.column = column;
    model.pendingLine = false;
}

void modelClear(Model& model) {
    if (!model.console)
        return;
    for (Cell& cell : model.cells)
        cell = Cell{BLANK_CHARACTER, model.attribute};
    model.row = model.column = 1;
    model.pendingLine = false;
    model.printColumn = 0;
}

void checkAgainst(const Model& model) {
    const ScreenModel& screen = surfaceModel();
    check(screen.width == model.width && screen.height == model.height, "the area keeps its size");
    check(screen.cells.size() == static_cast<std::size_t>(model.width * model.height),
          "the grid has width x height cells");
    check(screen.cursorRow >= 1 && screen.cursorRow <= model.height, "the cursor row is inside");
    check(screen.cursorColumn >= 1 && screen.cursorColumn <= model.width,
          "the cursor column is inside");
    check(screen.cursorRow == model.row && screen.cursorColumn == model.column,
          "the cursor where the rules put it");
    check(screen.attribute == model.attribute, "the attribute last set");
    check(screen.cells == model.cells, "every cell as the rules wrote it");
    check(consoleState().pendingLine == model.pendingLine, "the owed row");
    check(consoleState().column == model.printColumn, "the print column");
    check(fakeSurface().passedThrough == model.passedThrough, "redirected bytes pass unchanged");
}

// A row or column around the area's edges, now and then an extreme.
int nextPosition(ByteReader& reader, int limit) {
    std::uint8_t byte = nextByte(reader);
    if (byte >= 0xFC)
        return nextCount(reader);
    return byte % (limit + 3) - 1;
}

void runOperation(ByteReader& reader, Model& model) {
    switch (nextByte(reader) % 5) {
    case 0: {
        int row = nextPosition(reader, model.height);
        int column = nextPosition(reader, model.width);
        moveCursor(row, column);
        modelMove(model, row, column);
        break;
    }
    case 1: {
        int foreground = static_cast<std::int8_t>(nextByte(reader));
        int background = static_cast<std::int8_t>(nextByte(reader));
        setColour(foreground, background);
        model.attribute = attributeOf(foreground, background);
        break;
    }
    case 2: {
        std::string piece = nextPiece(reader);
        writeToScreen(piece.data(), piece.size());
        modelWrite(model, piece, false);
        break;
    }
    case 4: {
        std::string piece = nextPiece(reader);
        writeNameToScreen(piece.data(), piece.size());
        modelWrite(model, piece, true);
        break;
    }
    default:
        clearScreen();
        modelClear(model);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader reader{data, size};
    std::uint8_t shape = nextByte(reader);
    int width = 1 + shape % SCREEN_COLUMNS;
    std::uint8_t heightByte = nextByte(reader);
    int height = 1 + heightByte % SCREEN_ROWS;
    // One input in sixteen writes to output that is not a console.
    bool console = (shape & 0xF0) != 0xF0;
    resetFakeSurface(width, height);
    fakeSurface().isConsole = console;
    // One input in two shows names as in the C locale, a byte a cell.
    fakeSurface().utf8 = (heightByte & 0x80) == 0;
    Model model = makeModel(width, height, console);
    checkAgainst(model);
    while (!atEnd(reader)) {
        runOperation(reader, model);
        checkAgainst(model);
    }
    return 0;
}
