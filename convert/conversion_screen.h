#pragma once

// What the user sees from Enter on a bitmap to the end: the rejection
// messages, the conversion screen with its progress bar, and the closing line.

#include <cstdint>

#include "app/program_state.h"

inline const Text PROGRESS_BAR_TEXT =
    "                             =============================>";
inline constexpr int PROGRESS_BAR_LENGTH = 30;

// The number of bar characters shown for row y of height rows: y / (height / 30)
// in 80-bit extended arithmetic, rounded to nearest with ties to even.
std::uint16_t progressPercent(std::uint16_t y, std::uint16_t height);

void showRejection(HeaderVerdict verdict, std::uint8_t bitsRead);
void showConversionStart(const Text& name);
void showProgress(ProgramState& state, std::uint16_t y, std::uint16_t height);
void showDone();
void showWriteError(const Text& dataFileName);
