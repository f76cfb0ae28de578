#include "services/console.h"

#include "services/host/host.h"
#include "services/textforms.h"

namespace {

ConsoleState console;

constexpr std::size_t RUN_LIMIT = 256;
constexpr int TAB_WIDTH = 8;

int heightOfScreen() {
    if (console.height == 0)
        console.height = surfaceHeight();
    return console.height;
}

// The state of one piece being written: where the next character goes and
// the characters collected for the row segment that ends there.
struct PieceWriter {
    int width = 0;
    int height = 0;
    int x = 1;
    int y = 1;
    std::uint8_t attribute = 7;
    ScreenCharacter run[RUN_LIMIT]; // left unset: only the first runLength count
    std::size_t runLength = 0;
    int runColumn = 1;
};

void flushRun(PieceWriter& w) {
    if (w.runLength > 0)
        surfacePutRun(w.y, w.runColumn, w.run, w.runLength, w.attribute);
    w.runLength = 0;
}

// Takes up rows below the bottom row by scrolling the text area.
void takeUpRowsBelow(PieceWriter& w) {
    if (w.y > w.height) {
        surfaceScrollUp(w.y - w.height, w.attribute);
        w.y = w.height;
    }
}

void putCharacter(PieceWriter& w, const ScreenCharacter& character) {
    if (w.runLength == 0) {
        takeUpRowsBelow(w);
        w.runColumn = w.x;
    }
    w.run[w.runLength++] = character;
    w.x += character.width;
    if (w.runLength == RUN_LIMIT)
        flushRun(w);
    if (w.x > w.width) {
        flushRun(w);
        w.x = 1;
        ++w.y;
    }
}

// A wide character that does not fit in the last column goes to the next
// row and leaves that column blank, as terminals do; a row too narrow for
// it at all shows "?" instead.
void putNameCharacter(PieceWriter& w, const ScreenCharacter& character) {
    if (character.width == 2 && w.width < 2) {
        putCharacter(w, fixedCharacter('?'));
        return;
    }
    if (character.width == 2 && w.x == w.width)
        putCharacter(w, fixedCharacter(' '));
    putCharacter(w, character);
}

void moveWithinPiece(PieceWriter& w, unsigned char byte) {
    flushRun(w);
    if (byte == '\r') {
        w.x = 1;
    } else if (byte == '\n') {
        w.x = 1;
        ++w.y;
    } else if (w.x > 1) {
        --w.x;
    }
}

void writeByte(PieceWriter& w, unsigned char byte) {
    switch (byte) {
    case '\r':
    case '\n':
    case '\b':
        moveWithinPiece(w, byte);
        break;
    case '\t':
        for (int n = TAB_WIDTH - (w.x - 1) % TAB_WIDTH; n > 0; --n)
            putCharacter(w, fixedCharacter(' '));
        break;
    case '\a':
        flushRun(w);
        surfaceBeep();
        break;
    default:
        putCharacter(w, fixedCharacter(byte));
    }
}

// Whether the last byte that acts on the screen (bells do not) puts a character.
bool endsWithCharacter(const char* bytes, std::size_t count) {
    for (std::size_t i = count; i > 0; --i) {
        unsigned char byte = static_cast<unsigned char>(bytes[i - 1]);
        if (byte != '\a')
            return byte != '\r' && byte != '\n' && byte != '\b';
    }
    return false;
}

} // namespace

const ConsoleState& consoleState() {
    return console;
}

bool startConsole() {
    console = ConsoleState{};
    return hostStartConsole();
}

void setColour(int foreground, int background) {
    surfaceSetAttribute(attributeOf(foreground, background));
}

void clearScreen() {
    if (!surfaceIsConsole())
        return;
    int row = 1, column = 1;
    std::uint8_t attribute = 7;
    if (!surfaceCursor(row, column, attribute))
        attribute = 7;
    surfaceBlankOutside(attribute);
    for (int y = heightOfScreen(); y >= 1; --y)
        surfaceFillRow(y, attribute);
    surfacePlaceCursor(1, 1);
    console.pendingLine = false;
    console.column = 0;
}

void moveCursor(int row, int column) {
    // Redirected output is checked against the screen the program is laid out for.
    bool onConsole = surfaceIsConsole();
    int height = onConsole ? heightOfScreen() : SCREEN_ROWS;
    int width = onConsole ? surfaceWidth() : SCREEN_COLUMNS;
    if (row < 1 || column < 1 || row > height || column > width)
        return;
    console.column = static_cast<std::size_t>(column - 1);
    if (!onConsole)
        return;
    surfacePlaceCursor(row, column);
    console.pendingLine = false;
}

bool screenIsRedirected() {
    return !surfaceIsConsole();
}

namespace {

NameRule nameRule() {
    return NameRule{surfaceShowsUtf8(), surfaceCharacterWidth};
}

// Writes a piece; as a name, it is shown as its characters and no byte acts
// on the screen.
void writePiece(const char* bytes, std::size_t count, bool asName) {
    if (count == 0)
        return;
    console.column = asName ? console.column + count : columnAfter(console.column, bytes, count);
    if (!surfaceIsConsole()) {
        surfacePassThrough(bytes, count);
        return;
    }
    PieceWriter w;
    w.width = surfaceWidth();
    w.height = heightOfScreen();
    if (!surfaceCursor(w.y, w.x, w.attribute)) {
        w.x = w.y = 1;
        w.attribute = 7;
    }
    if (console.pendingLine) {
        console.pendingLine = false;
        w.x = 1;
        ++w.y;
        takeUpRowsBelow(w);
    }
    if (asName) {
        const NameRule rule = nameRule();
        const std::string_view name(bytes, count);
        ScreenCharacter character;
        for (std::size_t at = 0; at < count;) {
            at += readNameCharacter(name.substr(at), rule, character);
            putNameCharacter(w, character);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i)
            writeByte(w, static_cast<unsigned char>(bytes[i]));
    }
    flushRun(w);
    if ((asName || endsWithCharacter(bytes, count)) && w.x == 1 && w.y == w.height + 1) {
        console.pendingLine = true;
        surfacePlaceCursor(w.height, w.width);
        return;
    }
    takeUpRowsBelow(w);
    surfacePlaceCursor(w.y, w.x);
}

} // namespace

void writeToScreen(const char* bytes, std::size_t count) {
    writePiece(bytes, count, false);
}

void writeNameToScreen(const char* bytes, std::size_t count) {
    writePiece(bytes, count, true);
}

NameStart screenNameStart(std::string_view name, std::size_t characters, std::size_t cells) {
    return nameStart(name, nameRule(), characters, cells);
}

void flushScreen() {
    surfacePresent();
}
