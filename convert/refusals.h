#pragma once

// The program's own words for a bitmap it refuses: below the browser's list,
// and after the file's name on standard error.

#include <cstdint>

#include "convert/bitmap_info.h"
#include "services/textforms.h"

inline const Text WRONG_SIZE_TEXT = "Wrong Bitmap size - only 1x1 to 176x132 are allowed !!";
// Follows the bit count read: "8Bit Bitmap - ...".
inline const Text WRONG_DEPTH_TEXT = "Bit Bitmap - you can only use 24Bit Bitmaps";
inline const Text BAD_FORMAT_TEXT = "Falsches Bildformat!!!!";

// The whole refusal of a verdict other than Ok, as one text.
inline Text refusalText(HeaderVerdict verdict, std::uint8_t bitsRead) {
    switch (verdict) {
    case HeaderVerdict::WrongSize:
        return WRONG_SIZE_TEXT;
    case HeaderVerdict::WrongDepth:
        return unsignedText(bitsRead) + WRONG_DEPTH_TEXT;
    case HeaderVerdict::BadFormat:
    case HeaderVerdict::Ok:
        break;
    }
    return BAD_FORMAT_TEXT;
}
