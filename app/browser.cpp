#include "app/browser.h"

#include "convert/bitmap_header.h"
#include "services/console.h"
#include "services/files.h"
#include "services/keyboard.h"
#include "services/printing.h"

namespace {

constexpr char TITLE_LINE[] =
    "== Pictoline V1.1 ------- 24-bit bitmaps to RGB565 BASIC data --------------- ==";
constexpr char CHOOSE_LINE[] =
    "======== Choose sourcefile with Cursor Up/Down - Enter (ESC to Quit) ===========";
static_assert(sizeof TITLE_LINE - 1 == SCREEN_COLUMNS && sizeof CHOOSE_LINE - 1 == SCREEN_COLUMNS);

// Calls visit(name, kind) for every entry of the combined list: the
// directories, then the bitmaps, in listing order.
template <typename Visit> void walkEntries(Visit visit) {
    for (Text name = listDirectory("*", DIRECTORY_MASK); !name.empty();
         name = listDirectory("", DIRECTORY_MASK))
        visit(name, EntryKind::Directory);
    for (Text name = listDirectory("*.bmp", FILE_MASK); !name.empty();
         name = listDirectory("", FILE_MASK))
        visit(name, EntryKind::Bitmap);
}

} // namespace

bool inListWindow(std::size_t highlight, std::size_t entryCount, std::size_t index) {
    return (highlight <= index && index < highlight + LIST_ROWS) ||
           (entryCount < index + LIST_ROWS && entryCount < highlight + LIST_ROWS);
}

namespace {

void drawTitle() {
    setColour(WHITE, BLUE);
    clearScreen();
    setColour(LIGHT_RED, WHITE);
    write(SCREEN, TITLE_LINE);
    write(SCREEN, CHOOSE_LINE);
    setColour(YELLOW, BLUE);
    write(SCREEN, " current path: ");
    setColour(LIGHT_CYAN, BLUE);
    writeNameLine(SCREEN, currentDirectory());
    setColour(WHITE, BLUE);
}

void drawDirectoryRow(ProgramState& state, const Text& name, bool highlighted) {
    if (highlighted) {
        state.highlightKind = EntryKind::Directory;
        setColour(LIGHT_CYAN, BLUE);
        write(SCREEN, spaces(4));
        setColour(BLACK, LIGHT_CYAN);
        writeName(SCREEN, name);
        state.highlightName = name;
    } else {
        write(SCREEN, spaces(4));
        setColour(LIGHT_CYAN, BLUE);
        writeName(SCREEN, name);
    }
    setColour(LIGHT_CYAN, BLUE);
    newline(SCREEN);
}

void printDimensions(const BitmapInfo& info, PrintSeparator last) {
    printUnsigned16(SCREEN_DESTINATION, info.width, PrintSeparator::None);
    write(SCREEN, " x ");
    printUnsigned16(SCREEN_DESTINATION, info.height, PrintSeparator::None);
    write(SCREEN, " x ");
    printUnsigned8(SCREEN_DESTINATION, info.bitsPerPixel, last);
}

// The name field of a bitmap row: the name's first characters, as many as
// fit in SHORT_NAME_LENGTH characters and as many cells, then blank cells
// (zero bytes) up to SHORT_NAME_WIDTH cells, so that the numbers stand in the
// same column whatever the script.
Text shortName(const Text& name) {
    const NameStart start = screenNameStart(name, SHORT_NAME_LENGTH, SHORT_NAME_LENGTH);
    return name.substr(0, start.bytes) + Text(SHORT_NAME_WIDTH - start.cells, '\0');
}

void drawBitmapRow(ProgramState& state, const Text& name, bool highlighted) {
    if (highlighted)
        state.highlightKind = EntryKind::Bitmap;
    write(SCREEN, spaces(4));
    if (highlighted)
        setColour(BLUE, WHITE);
    else
        setColour(WHITE, BLUE);
    writeName(SCREEN, shortName(name));
    const BitmapInfo info = peekBitmapHeader(name, state.bitmap.fileNumber);
    if (!highlighted) {
        printDimensions(info, PrintSeparator::Newline);
        return;
    }
    printDimensions(info, PrintSeparator::None);
    state.highlightName = name;
    setColour(WHITE, BLUE);
    newline(SCREEN);
}

void drawList(ProgramState& state) {
    std::size_t index = 0;
    walkEntries([&state, &index](const Text& name, EntryKind kind) {
        ++index;
        if (!inListWindow(state.highlight, state.entryCount, index))
            return;
        bool highlighted = index == state.highlight;
        if (kind == EntryKind::Directory)
            drawDirectoryRow(state, name, highlighted);
        else
            drawBitmapRow(state, name, highlighted);
    });
    for (std::size_t row = state.entryCount; row < LIST_ROWS; ++row)
        newline(SCREEN);
}

void drawPathRow(const ProgramState& state) {
    setColour(LIGHT_RED, WHITE);
    write(SCREEN, Text(SCREEN_COLUMNS, '='));
    setColour(LIGHT_RED, BLUE);
    Text directory = currentDirectory();
    Text separator = pathSeparator();
    writeName(SCREEN, directory);
    if (compareText(rightText(directory, 1), separator) != 0)
        write(SCREEN, separator);
    if (state.highlightKind == EntryKind::Bitmap) {
        setColour(WHITE, BLUE);
        writeName(SCREEN, state.highlightName);
        setColour(LIGHT_RED, BLUE);
    } else {
        writeName(SCREEN, state.highlightName);
    }
}

} // namespace

void drawBrowser(ProgramState& state) {
    beginDirectoryPass();
    state.entryCount = 0;
    walkEntries([&state](const Text&, EntryKind) { ++state.entryCount; });
    drawTitle();
    drawList(state);
    drawPathRow(state);
}

BrowserRequest runKeyLoop(ProgramState& state) {
    for (;;) {
        KeyCode key = readKey();
        if (key == KEY_UP && state.highlight >= 2) {
            --state.highlight;
            return BrowserRequest::Redraw;
        }
        if (key == KEY_DOWN && state.highlight < state.entryCount) {
            ++state.highlight;
            return BrowserRequest::Redraw;
        }
        if (key == KEY_ENTER)
            return state.highlightKind == EntryKind::Directory ? BrowserRequest::EnterDirectory
                                                               : BrowserRequest::Convert;
        if (key == KEY_ESCAPE)
            return BrowserRequest::Quit;
    }
}
