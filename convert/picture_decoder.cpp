#include "convert/picture_decoder.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include <stb_image.h>

#include "convert/exif_orientation.h"
#include "convert/jpeg_segments.h"

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
    if (!pixels || width <= 0 || height <= 0)
        return {};
    return pictureOf(pixels.get(), width, height, wanted);
}

std::uint32_t bigEndian32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
           at[3];
}

// The size a PNG's header gives, which the decoder's own look-up refuses to
// tell past a gigabyte of pixels; 0 x 0 for any other file.
PictureSize pngHeaderSize(const std::uint8_t* bytes, std::size_t size) {
    constexpr std::uint8_t SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    constexpr std::size_t WIDTH_AT = 16;
    if (size < WIDTH_AT + 8 || std::memcmp(bytes, SIGNATURE, sizeof SIGNATURE) != 0 ||
        std::memcmp(bytes + 12, "IHDR", 4) != 0)
        return {};
    const std::uint32_t width = bigEndian32(bytes + WIDTH_AT);
    const std::uint32_t height = bigEndian32(bytes + WIDTH_AT + 4);
    if (width > INT32_MAX || height > INT32_MAX)
        return {};
    return {static_cast<int>(width), static_cast<int>(height)};
}

// Whether every chunk of a PNG up to its end fits in the file. The decoder
// allocates for a chunk's data as its length claims before it reads it: a
// few hundred bytes could claim two gigabytes. Any other file passes.
bool pngChunksFit(const std::uint8_t* bytes, std::size_t size) {
    constexpr std::size_t FIRST_CHUNK = 8;
    constexpr std::size_t CHUNK_FRAME = 12; // length, type, CRC
    if (pngHeaderSize(bytes, size).width == 0)
        return true;
    for (std::size_t at = FIRST_CHUNK; at + CHUNK_FRAME <= size;) {
        const std::size_t length = bigEndian32(bytes + at);
        if (length > size - at - CHUNK_FRAME)
            return false;
        if (std::memcmp(bytes + at + 4, "IEND", 4) == 0)
            return true;
        at += CHUNK_FRAME + length;
    }
    return true;
}

Text tooLarge(PictureSize size, std::int64_t maxPixels) {
    return "is " + std::to_string(size.width) + " x " + std::to_string(size.height) +
           " pixels, more than the " + std::to_string(maxPixels / 1'000'000) + " megapixels read";
}

// Whether a file holds every pixel its header tells of: the decoder reads
// only bitmaps whose pixels are stored as they are, and would make up the
// missing ones, for as many as a few bytes can claim.
bool holdsEveryPixel(const std::uint8_t* bytes, std::size_t size, PictureSize picture) {
    constexpr std::size_t BIT_COUNT_AT = 28;
    if (size < BIT_COUNT_AT + 2 || bytes[0] != 'B' || bytes[1] != 'M')
        return true;
    const int bitsPerPixel = bytes[BIT_COUNT_AT] | bytes[BIT_COUNT_AT + 1] << 8;
    const std::int64_t pixelBits = std::int64_t{picture.width} * picture.height * bitsPerPixel;
    return pixelBits <= 8 * static_cast<std::int64_t>(size);
}

PictureSize swapped(PictureSize size) {
    return {size.height, size.width};
}

} // namespace

DecodedPicture decodePicture(const std::uint8_t* bytes, std::size_t size, PictureSize bounds,
                             std::int64_t maxPixels) {
    // A top-down bitmap tells its height as a negative number.
    const auto isTooLarge = [maxPixels](PictureSize picture) {
        return std::abs(std::int64_t{picture.width} * picture.height) > maxPixels;
    };
    if (size > static_cast<std::size_t>(MAX_PICTURE_FILE_BYTES))
        return {{}, "is larger than 256 MiB; no picture of that size is read"};
    const auto length = static_cast<int>(size);
    // Before the decoder looks at it at all: even the look-up of the size
    // builds the tables that come before it.
    if (!huffmanTablesFit(bytes, size))
        return {{}, "cannot read this picture: a Huffman table of more than 256 codes"};
    PictureSize header;
    int channels = 0;
    if (stbi_info_from_memory(bytes, length, &header.width, &header.height, &channels) == 0) {
        const Text problem = decoderProblem();
        header = pngHeaderSize(bytes, size);
        return {{}, isTooLarge(header) ? tooLarge(header, maxPixels) : problem};
    }
    header = {std::abs(header.width), std::abs(header.height)};
    // The decoder takes a bitmap of height 0 as a picture without rows.
    if (header.width == 0 || header.height == 0)
        return {{}, "has no pixels"};
    if (isTooLarge(header))
        return {{}, tooLarge(header, maxPixels)};
    if (!holdsEveryPixel(bytes, size, header) || !pngChunksFit(bytes, size))
        return {{}, "is too short to hold every pixel"};

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
