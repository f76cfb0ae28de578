#pragma once

// Fitting a picture within the display: its size kept in proportion and
// never enlarged, shrunk by averaging in linear light.

#include "convert/picture.h"

struct PictureSize {
    int width = 0;
    int height = 0;
};

// The largest size within bounds that keeps the picture's proportions, each
// side rounded to the nearest whole pixel and at least 1; the picture's own
// size when it already fits.
PictureSize fittedSize(PictureSize picture, PictureSize bounds);
// The picture at the size given, each new pixel the average, in linear
// light, of the pixels it covers; the picture itself at its own size, and
// an empty picture (width 0) when there is no memory to scale it.
Picture scalePicture(Picture picture, PictureSize size);
