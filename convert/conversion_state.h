#pragma once

// What a conversion keeps, from the validating read of the header to the
// done line: the bitmap's file number and size, the header byte, the data
// file's counters and texts, and what the progress row shows.

#include <cstdint>

#include "convert/bitmap_info.h"
#include "services/textforms.h"

inline constexpr std::uint16_t BLOCK_LIMIT = 3072;
inline constexpr std::size_t TIMESTAMP_WIDTH = 20;
inline constexpr std::size_t BLOCK_LABEL_WIDTH = 20;
inline constexpr std::size_t PROGRESS_BAR_WIDTH = 60;

inline const Text PROGRESS_BAR_TEXT = "                             =============================>";

struct ConversionState {
    int bitmapFileNumber = 0;
    BitmapInfo info;
    std::uint8_t headerByte = 0;
    // Starting above 7 makes the first pixel open a new data line.
    std::uint8_t valuesOnLine = 10;
    std::uint16_t valuesInBlock = 0;
    std::uint16_t blockLimit = BLOCK_LIMIT;
    std::uint16_t blockNumber = 0;
    FixedField timestamp = makeField(TIMESTAMP_WIDTH);
    FixedField blockLabel = makeField(BLOCK_LABEL_WIDTH);
    FixedField progressBar = makeField(PROGRESS_BAR_WIDTH);
    // What the progress row shows now: the row it was drawn for (0 before the
    // first) and "0%" with its bar characters. It is redrawn only when its
    // text changes.
    std::uint16_t progressRow = 0;
    Text progressText;
};

// Gives every field its start value; the bar takes its text.
inline void startConversionState(ConversionState& state) {
    state = ConversionState{};
    assign(state.progressBar, PROGRESS_BAR_TEXT);
}
