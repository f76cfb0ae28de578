#include "tests/fakes/fakes.h"

#include "app/driver.h"
#include "services/console.h"
#include "services/files.h"
#include "services/host.h"

namespace {
FakeSurface surface;
}

FakeSurface& fakeSurface() { return surface; }

void resetFakeSurface(int width, int height) {
    surface = FakeSurface{};
    surface.screen = makeScreenModel(width, height);
    startConsole();
}

void hostStartConsole() {}
bool surfaceIsConsole() { return surface.isConsole; }
int surfaceWidth() { return surface.screen.width; }
int surfaceHeight() { return surface.screen.height; }

bool surfaceCursor(int& row, int& column, std::uint8_t& attribute) {
    row = surface.screen.cursorRow;
    column = surface.screen.cursorColumn;
    attribute = surface.screen.attribute;
    return true;
}

void surfaceSetAttribute(std::uint8_t attribute) { surface.screen.attribute = attribute; }

void surfacePutRun(int row, int column, const char* bytes, std::size_t count,
                   std::uint8_t attribute) {
    putRun(surface.screen, row, column, bytes, count, attribute);
}

void surfaceFillRow(int row, std::uint8_t attribute) { fillRow(surface.screen, row, attribute); }
// The fake screen is the text area alone.
void surfaceBlankOutside(std::uint8_t) {}
void surfaceScrollUp(int rows, std::uint8_t attribute) { scrollUp(surface.screen, rows, attribute); }

void surfacePlaceCursor(int row, int column) {
    surface.screen.cursorRow = row;
    surface.screen.cursorColumn = column;
}

bool surfacePassThrough(const char* bytes, std::size_t count) {
    surface.passedThrough.append(bytes, count);
    return true;
}

void surfaceBeep() { ++surface.beeps; }
void surfacePresent() {
    ++surface.presents;
    surface.presentTimes.push_back(fakeNowMs());
}

void startFakeProgram(ProgramState& state) {
    resetFakeSurface();
    resetFakeKeyboard();
    closeAllFiles();
    startProgramState(state);
    state.conversion.bitmapFileNumber = freeFileNumber();
}
