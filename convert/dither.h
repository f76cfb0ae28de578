#pragma once

// Dithering: each pixel becomes one of the colours the display shows, chosen
// so that an area keeps the colour of the picture on average instead of
// falling into the bands that plain truncation to RGB565 makes.

#include "convert/picture.h"

enum class Dither {
    // Every pixel as it is; the data file truncates it.
    None,
    // An 8 x 8 Bayer threshold picks, for each channel, the display level
    // below the value or the one above it, by how far the value lies between
    // them.
    Ordered,
    // Floyd-Steinberg: each pixel takes the display level nearest to its value
    // plus the error carried to it, and passes on its own error (7/16 ahead,
    // 3/16 below behind, 5/16 below, 1/16 below ahead), rows in serpentine
    // order.
    Diffuse,
};

// The word --dither= takes for a dither.
constexpr const char* ditherName(Dither dither) {
    return dither == Dither::Ordered ? "ordered" : dither == Dither::Diffuse ? "diffuse" : "none";
}

// Replaces every pixel, unless dither is None, with the colour the display
// shows that the dither chose for it: an expanded RGB565 colour, which the
// data file's truncating rgb565() packs to exactly the chosen value and
// shownPicture() leaves as it is. A pixel already of such a colour is never
// changed, so a picture made only of them comes out as it went in.
void ditherPicture(Picture& picture, Dither dither);
