#include "convert/fit.h"

#include <algorithm>
#include <cstdint>

#include <stb_image_resize.h>

namespace {

// a * b / c rounded to the nearest whole number, halves up, at least 1.
int scaledSide(int a, int b, int c) {
    const std::int64_t product = std::int64_t{a} * b;
    return static_cast<int>(std::max<std::int64_t>(1, (2 * product + c) / (2 * std::int64_t{c})));
}

} // namespace

PictureSize fittedSize(PictureSize picture, PictureSize bounds) {
    if (picture.width <= bounds.width && picture.height <= bounds.height)
        return picture;
    // The side whose bound is the nearer one decides the scale.
    if (std::int64_t{bounds.width} * picture.height <= std::int64_t{bounds.height} * picture.width)
        return {bounds.width, scaledSide(picture.height, bounds.width, picture.width)};
    return {scaledSide(picture.width, bounds.height, picture.height), bounds.height};
}

Picture scalePicture(Picture picture, PictureSize size) {
    if (size.width == picture.width && size.height == picture.height)
        return picture;
    Picture scaled;
    scaled.width = size.width;
    scaled.height = size.height;
    scaled.rgb.resize(static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height) *
                      3);
    if (stbir_resize_uint8_generic(picture.rgb.data(), picture.width, picture.height, 0,
                                   scaled.rgb.data(), size.width, size.height, 0, 3,
                                   STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP, STBIR_FILTER_BOX,
                                   STBIR_COLORSPACE_SRGB, nullptr) == 0)
        return {};
    return scaled;
}
