#include "tests/fakes/fakes.h"

#include "app/driver.h"
#include "services/console.h"
#include "services/files.h"
#include "services/host/host.h"
#include "services/host/model_surface.h"

namespace {
FakeSurface surface;
}

FakeSurface& fakeSurface() {
    return surface;
}

void resetFakeSurface(int width, int height) {
    surface = FakeSurface{};
    surfaceModel() = makeScreenModel(width, height);
    startConsole();
}

bool hostStartConsole() {
    return true;
}
// The fake screen catches no signals: nothing to set up.
void hostProtectUnfinishedFiles() {}
bool surfaceIsConsole() {
    return surface.isConsole;
}
bool surfaceShowsUtf8() {
    return surface.utf8;
}

// Widths as a UTF-8 terminal gives them to the characters the tests use:
// combining diacritics join the character before, CJK and full-width forms
// take two cells, C1 controls cannot be shown.
int surfaceCharacterWidth(char32_t code) {
    const auto within = [code](char32_t first, char32_t last) {
        return code >= first && code <= last;
    };
    if (within(0x80, 0x9F))
        return -1;
    if (within(0x300, 0x36F))
        return 0;
    if (within(0x1100, 0x115F) || within(0x2E80, 0xA4CF) || within(0xAC00, 0xD7A3) ||
        within(0xF900, 0xFAFF) || within(0xFF00, 0xFF60) || within(0x20000, 0x3FFFD))
        return 2;
    return 1;
}
bool surfacePassThrough(const char* bytes, std::size_t count) {
    surface.passedThrough.append(bytes, count);
    return true;
}

void surfaceBeep() {
    ++surface.beeps;
}
bool surfaceShowsScreen() {
    return surface.shown;
}
void surfacePresent() {
    ++surface.presents;
    surface.presentTimes.push_back(fakeNowMs());
}

void startFakeProgram(ProgramState& state) {
    resetFakeSurface();
    resetFakeKeyboard();
    closeAllFiles();
    startProgramState(state);
    state.bitmap.fileNumber = freeFileNumber();
}
