#include "convert/conversion_screen.h"

#include <utility>

#include "convert/data_file_name.h"
#include "convert/refusals.h"
#include "services/console.h"
#include "services/files.h"
#include "services/printing.h"

namespace {

constexpr int MESSAGE_INDENT = 16;
constexpr int BAD_FORMAT_INDENT = 25;
constexpr int TARGET_ROW = 12;
constexpr int PROGRESS_ROW = 15;
constexpr int LEFT_COLUMN = 10;
constexpr int PERCENT_COLUMN = 41;
constexpr int DONE_COLUMN = 46;
constexpr int ERROR_ROW = 17;

const Text HUNDRED_PERCENT = "100%";

void drawProgress(const ProgressState& progress) {
    moveCursor(PROGRESS_ROW, LEFT_COLUMN);
    write(SCREEN, progress.progressText);
    moveCursor(PROGRESS_ROW, PERCENT_COLUMN);
    write(SCREEN, HUNDRED_PERCENT);
}

} // namespace

void showRejection(HeaderVerdict verdict, std::uint8_t bitsRead) {
    setColour(BLACK, BLACK);
    for (int i = 0; i < 3; ++i)
        newline(SCREEN);
    write(SCREEN, spaces(verdict == HeaderVerdict::BadFormat ? BAD_FORMAT_INDENT : MESSAGE_INDENT));
    setColour(LIGHT_RED, BLUE);
    switch (verdict) {
    case HeaderVerdict::WrongSize:
        writeLine(SCREEN, WRONG_SIZE_TEXT);
        break;
    case HeaderVerdict::WrongDepth:
        printUnsigned8(SCREEN_DESTINATION, bitsRead, PrintSeparator::None);
        writeLine(SCREEN, WRONG_DEPTH_TEXT);
        break;
    case HeaderVerdict::BadFormat:
        writeLine(SCREEN, BAD_FORMAT_TEXT);
        break;
    case HeaderVerdict::Ok:
        break;
    }
}

void showConversionStart(const Text& bitmapName) {
    setColour(LIGHT_RED, BLACK);
    clearScreen();
    moveCursor(TARGET_ROW, LEFT_COLUMN);
    setColour(WHITE, BLUE);
    write(SCREEN, " Datafile: ");
    writeNameLine(SCREEN, dataFileName(bitmapName));
    moveCursor(TARGET_ROW + 1, LEFT_COLUMN);
    write(SCREEN, "Directory: ");
    writeName(SCREEN, currentDirectory());
    writeLine(SCREEN, pathSeparator());
    setColour(LIGHT_RED, BLACK);
}

void startProgress(ProgressState& progress) {
    progress = ProgressState{};
    assign(progress.progressBar, PROGRESS_BAR_TEXT);
}

void showProgress(ProgressState& progress, std::uint16_t y, std::uint16_t height,
                  std::uint16_t pixels) {
    // The text depends on the row alone and mostly stays the same from one row
    // to the next: a console is drawn only when the user would see a change.
    // Redirected output receives the bytes of every pixel's redraw.
    bool changed = false;
    if (y != progress.progressRow) {
        Text text = "0%" + rightText(fullText(progress.progressBar), progressBarLength(y, height));
        changed = progress.progressRow == 0 || text != progress.progressText;
        progress.progressRow = y;
        progress.progressText = std::move(text);
    }
    if (screenIsRedirected()) {
        for (std::uint16_t pixel = 0; pixel < pixels; ++pixel)
            drawProgress(progress);
    } else if (changed) {
        drawProgress(progress);
    }
    if (changed)
        flushScreen();
}

void showDone() {
    setColour(WHITE, LIGHT_RED);
    moveCursor(PROGRESS_ROW, DONE_COLUMN);
    writeLine(SCREEN, "!!! Done !!!");
}

void showWriteError(const Text& bitmapName) {
    setColour(WHITE, RED);
    moveCursor(ERROR_ROW, LEFT_COLUMN);
    writeNameLine(SCREEN, "!!! Error: could not write " + dataFileName(bitmapName) + " !!!");
}
