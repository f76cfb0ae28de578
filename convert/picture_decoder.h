#pragma once

// Any picture a user has, read by its content: PNG, JPEG, GIF (its first
// frame) and BMP of every kind, turned upright, put over black and fitted
// within the display.

#include <cstddef>
#include <cstdint>

#include "convert/fit.h"
#include "convert/picture.h"
#include "services/textforms.h"

// A file larger than this is refused unread; a picture of more pixels is
// refused before it is decoded.
inline constexpr std::int64_t MAX_PICTURE_FILE_BYTES = std::int64_t{256} << 20;
inline constexpr std::int64_t MAX_PICTURE_PIXELS = 64'000'000;

// A decoded picture, or why there is none: the words after the file's name.
struct DecodedPicture {
    Picture picture;
    Text problem;
};

// The picture held in the bytes of a file, upright, every pixel with alpha
// put over black (each channel times alpha / 255, rounded), and fitted
// within bounds; refused when it holds more than maxPixels.
DecodedPicture decodePicture(const std::uint8_t* bytes, std::size_t size, PictureSize bounds,
                             std::int64_t maxPixels = MAX_PICTURE_PIXELS);
