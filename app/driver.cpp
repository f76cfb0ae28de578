#include "app/driver.h"

#include "app/browser.h"
#include "convert/bitmap_header.h"
#include "convert/conversion_screen.h"
#include "services/console.h"
#include "services/files.h"
#include "services/keyboard.h"

void startProgramState(ProgramState& state) {
    state = ProgramState{};
    assign(state.progressBar, PROGRESS_BAR_TEXT);
}

namespace {

void startUp(ProgramState& state) {
    startConsole();
    startProgramState(state);
    state.bitmapFileNumber = freeFileNumber();
    Text start = startDirectory();
    if (!start.empty())
        changeDirectory(start);
}

// Browses until the user quits or picks a bitmap; returns the exit code.
int browse(ProgramState& state) {
    for (;;) {
        drawBrowser(state);
        switch (runKeyLoop(state)) {
        case BrowserRequest::Redraw:
            break;
        case BrowserRequest::EnterDirectory:
            changeDirectory(state.highlightName);
            state.highlight = 1;
            break;
        case BrowserRequest::Quit:
            return 0;
        case BrowserRequest::Convert:
            // The conversion screens come next; until then a checked bitmap ends the run.
            readBitmapHeader(state, state.highlightName);
            return 0;
        }
    }
}

} // namespace

int runProgram() {
    ProgramState state;
    startUp(state);
    int exitCode = browse(state);
    closeAllFiles();
    return exitCode;
}
