#pragma once

// The one record of all program state, owned by the driver for the whole run:
// the browser's fields, and below them the records of the conversion's
// parts: the bitmap's reading, the data file's writing and the progress row.

#include <cstddef>

#include "convert/bitmap_header.h"
#include "convert/conversion_screen.h"
#include "convert/data_writer.h"
#include "services/textforms.h"

enum class EntryKind { Directory, Bitmap };

struct ProgramState {
    // Wide enough for any directory, however many entries it holds.
    std::size_t highlight = 1;
    std::size_t entryCount = 0;
    Text highlightName;
    EntryKind highlightKind = EntryKind::Bitmap;
    BitmapReading bitmap;
    DataWriting writing;
    ProgressState progress;
};
