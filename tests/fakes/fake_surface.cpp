#include "tests/fakes/fakes.h"

#include "app/driver.h"
#include "services/console.h"
#include "services/files.h"
#include "services/host.h"
#include "services/model_surface.h"

namespace {
FakeSurface surface;
}

FakeSurface& fakeSurface() {
    return surface;
}

void resetFakeSurface(int width, int height) {
    surface = FakeSurface{};
    surface.screen = makeScreenModel(width, height);
    startConsole();
}

ScreenModel& surfaceModel() {
    return surface.screen;
}

void hostStartConsole() {}
bool surfaceIsConsole() {
    return surface.isConsole;
}
bool surfacePassThrough(const char* bytes, std::size_t count) {
    surface.passedThrough.append(bytes, count);
    return true;
}

void surfaceBeep() {
    ++surface.beeps;
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
    state.conversion.bitmapFileNumber = freeFileNumber();
}
