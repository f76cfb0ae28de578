#pragma once

// What the user sees from Enter on a bitmap to the end: the rejection
// messages, the conversion screen with its progress bar, and the closing line.

#include <cstdint>

#include "convert/bitmap_info.h"
#include "convert/conversion_state.h"
#include "convert/progress_bar_length.h"

// Below the browser screen still on display.
void showRejection(HeaderVerdict verdict, std::uint8_t bitsRead);
// Clears the screen and names the data file and the directory it goes to.
void showConversionStart(const Text& bitmapName);
// The bar for pixels of row y of height rows, as each of them would draw it.
void showProgress(ConversionState& state, std::uint16_t y, std::uint16_t height,
                  std::uint16_t pixels);
void showDone();
// Shown instead of showDone when the data file could not be written whole.
void showWriteError(const Text& bitmapName);
