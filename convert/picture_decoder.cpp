#include "convert/picture_decoder.h"

#include <memory>
#include <string>
#include <utility>

#include <stb_image.h>

#include "convert/exif_orientation.h"

namespace {

constexpr int RGB = 3;
constexpr int RGB_ALPHA = 4;

// A picture stb_image decoded: its pixels, freed with the library's own free.
using DecodedPixels = std::unique_ptr<stbi_uc, decltype(&stbi_image_free)>;

bool isJpeg(const std::uint8_t* bytes, std::size_t size) {
    return size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

Text decoderProblem() {
    const char* reason = stbi_failure_reason();
    return Text("cannot read this picture: ") + (reason != nullptr ? reason : "unknown fault");
}

// Each channel times alpha / 255, rounded: the pixel over the display's black.
std::uint8_t overBlack(std::uint8_t channel, std::uint8_t alpha) {
    return static_cast<std::uint8_t>((channel * alpha + 127) / 255);
}

Picture pictureOf(const stbi_uc* pixels, int width, int height, int channels) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    picture.rgb.resize(count * RGB);
    std::uint8_t* out = picture.rgb.data();
    for (std::size_t i = 0; i < count; ++i, pixels += channels, out += RGB) {
        const std::uint8_t alpha = channels == RGB_ALPHA ? pixels[3] : 255;
        for (int c = 0; c < RGB; ++c)
            out[c] = alpha == 255 ? pixels[c] : overBlack(pixels[c], alpha);
    }
    return picture;
}

// The pixels as the file stores them, over black; width 0 when the decoder
// cannot read them. Only a JPEG never has alpha: any other kind may carry it
// in a chunk that the size's look-up does not reach.
Picture decodeStored(const std::uint8_t* bytes, int length, bool jpeg) {
    const int wanted = jpeg ? RGB : RGB_ALPHA;
    int width = 0, height = 0, channels = 0;
    const DecodedPixels pixels(
        stbi_load_from_memory(bytes, length, &width, &height, &channels, wanted), &stbi_image_free);
    if (!pixels)
        return {};
    return pictureOf(pixels.get(), width, height, wanted);
}

PictureSize swapped(PictureSize size) {
    return {size.height, size.width};
}

} // namespace

DecodedPicture decodePicture(const std::uint8_t* bytes, std::size_t size, PictureSize bounds) {
    if (size > static_cast<std::size_t>(MAX_PICTURE_FILE_BYTES))
        return {{}, "is larger than 256 MiB; no picture of that size is read"};
    const auto length = static_cast<int>(size);
    int width = 0, height = 0, channels = 0;
    if (stbi_info_from_memory(bytes, length, &width, &height, &channels) == 0)
        return {{}, decoderProblem()};
    if (std::int64_t{width} * height > MAX_PICTURE_PIXELS)
        return {{},
                "is " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels, more than the 64 megapixels read"};
    Picture stored = decodeStored(bytes, length, isJpeg(bytes, size));
    if (stored.width == 0)
        return {{}, decoderProblem()};
    // Scaled as it is stored, to the size that fits once it is upright: the
    // turn then moves only the fitted pixels.
    const int orientation = isJpeg(bytes, size) ? exifOrientation(bytes, size) : UPRIGHT;
    const bool sidesSwap = orientation >= 5;
    PictureSize upright{stored.width, stored.height};
    if (sidesSwap)
        upright = swapped(upright);
    PictureSize fitted = fittedSize(upright, bounds);
    if (sidesSwap)
        fitted = swapped(fitted);
    Picture scaled = scalePicture(std::move(stored), fitted);
    if (scaled.width == 0)
        return {{}, "cannot read this picture: not enough memory to scale it"};
    return {orientUpright(std::move(scaled), orientation), {}};
}
