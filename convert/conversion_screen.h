#pragma once

// What the user sees from Enter on a bitmap to the end: the rejection
// messages, the conversion screen with its progress bar, and the closing line.

#include <cstdint>

#include "convert/bitmap_info.h"
#include "convert/progress_bar_length.h"
#include "services/textforms.h"

inline constexpr std::size_t PROGRESS_BAR_WIDTH = 60;
inline const Text PROGRESS_BAR_TEXT = "                             =============================>";

// What the progress row shows: the bar's field, the row it was last drawn
// for (0 before the first) and "0%" with its bar characters. It is redrawn
// only when its text changes.
struct ProgressState {
    FixedField progressBar = makeField(PROGRESS_BAR_WIDTH);
    std::uint16_t progressRow = 0;
    Text progressText;
};

// Gives the progress row its start values; the bar takes its text.
void startProgress(ProgressState& progress);

// Below the browser screen still on display.
void showRejection(HeaderVerdict verdict, std::uint8_t bitsRead);
// Clears the screen and names the data file and the directory it goes to.
void showConversionStart(const Text& bitmapName);
// The bar for pixels of row y of height rows, as each of them would draw it.
void showProgress(ProgressState& progress, std::uint16_t y, std::uint16_t height,
                  std::uint16_t pixels);
void showDone();
// Shown instead of showDone when the data file could not be written whole.
void showWriteError(const Text& bitmapName);
