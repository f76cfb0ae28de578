#pragma once

// The one record of all program state, owned by the driver for the whole run.

#include <cstdint>

#include "convert/bitmap_info.h"
#include "services/textforms.h"

enum class EntryKind { Directory, Bitmap };

inline constexpr std::uint16_t BLOCK_LIMIT = 3072;
inline constexpr std::size_t TIMESTAMP_WIDTH = 20;
inline constexpr std::size_t BLOCK_LABEL_WIDTH = 20;
inline constexpr std::size_t PROGRESS_BAR_WIDTH = 60;

struct ProgramState {
    // Wide enough for any directory, however many entries it holds.
    std::size_t highlight = 1;
    std::size_t entryCount = 0;
    Text highlightName;
    EntryKind highlightKind = EntryKind::Bitmap;
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
    int bitmapFileNumber = 0;
    // What the progress row shows now: the row it was drawn for (0 before the
    // first) and "0%" with its bar characters. It is redrawn only when its
    // text changes.
    std::uint16_t progressRow = 0;
    Text progressText;
};
