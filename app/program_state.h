#pragma once

// The one record of all program state, owned by the driver for the whole run:
// the browser's fields, and the conversion's record below them.

#include <cstddef>

#include "convert/conversion_state.h"
#include "services/textforms.h"

enum class EntryKind { Directory, Bitmap };

struct ProgramState {
    // Wide enough for any directory, however many entries it holds.
    std::size_t highlight = 1;
    std::size_t entryCount = 0;
    Text highlightName;
    EntryKind highlightKind = EntryKind::Bitmap;
    ConversionState conversion;
};
