#include "app/driver.h"

#include "app/browser.h"
#include "convert/bitmap_header.h"
#include "convert/conversion_screen.h"
#include "convert/data_writer.h"
#include "services/console.h"
#include "services/files.h"
#include "services/keyboard.h"
#include "services/standard_io.h"

void startProgramState(ProgramState& state) {
    state = ProgramState{};
    startProgress(state.progress);
}

namespace {

constexpr int MESSAGE_WAIT_MS = 1000;
constexpr int EXIT_WRITE_FAILED = 1;
constexpr int EXIT_NO_SCREEN = 1;

const Text NO_SCREEN_MESSAGE =
    "pictoline: this terminal (TERM=dumb) cannot show Pictoline's screen; "
    "run it in a full terminal, or convert bitmaps with 'pictoline FILE...'";

// False when the terminal cannot show the screen.
bool startUp(ProgramState& state) {
    if (!startConsole())
        return false;
    startKeyboard();
    startProgramState(state);
    state.bitmap.fileNumber = freeFileNumber();
    Text start = startDirectory();
    if (!start.empty())
        changeDirectory(start);
    return true;
}

// The converted bitmap is open at its first pixel; returns the exit code.
int convert(ProgramState& state) {
    const Text name = state.highlightName;
    showConversionStart(name);
    const auto report = [&state](std::uint16_t y, std::uint16_t height, std::uint16_t pixels) {
        showProgress(state.progress, y, height, pixels);
    };
    if (writeDataFile(state.bitmap, state.writing, name, name, report) != DataFileResult::Written) {
        showWriteError(name);
        sleepMs(MESSAGE_WAIT_MS);
        sleepMs(MESSAGE_WAIT_MS);
        return EXIT_WRITE_FAILED;
    }
    showDone();
    sleepMs(MESSAGE_WAIT_MS);
    return 0;
}

// Browses until the user quits or a bitmap is chosen; returns the exit code.
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
        case BrowserRequest::Convert: {
            const HeaderVerdict verdict = readBitmapHeader(state.bitmap, state.highlightName);
            if (verdict == HeaderVerdict::Ok)
                return convert(state);
            showRejection(verdict, state.bitmap.headerByte);
            sleepMs(MESSAGE_WAIT_MS);
            if (verdict == HeaderVerdict::BadFormat) {
                sleepMs(MESSAGE_WAIT_MS);
                return 0;
            }
            break;
        }
        }
    }
}

} // namespace

int runProgram() {
    ProgramState state;
    if (!startUp(state)) {
        writeErrorLine(NO_SCREEN_MESSAGE);
        return EXIT_NO_SCREEN;
    }
    int exitCode = browse(state);
    closeAllFiles();
    return exitCode;
}
