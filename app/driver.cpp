#include "app/driver.h"

#include "convert/conversion_screen.h"
#include "services/console.h"
#include "services/keyboard.h"

void startProgramState(ProgramState& state) {
    state = ProgramState{};
    assign(state.progressBar, PROGRESS_BAR_TEXT);
}

namespace {

// The browser's frame until the directory listing is drawn: its colours on a
// clear screen, and keys read until Esc.
void browse() {
    setColour(15, 1);
    clearScreen();
    while (readKey() != KEY_ESCAPE) {
    }
}

} // namespace

int runProgram() {
    startConsole();
    ProgramState state;
    startProgramState(state);
    browse();
    return 0;
}
