#pragma once

// Bitmap files built byte by byte: for the tests, and for the sample pictures
// of `make run`. The one place that writes the bitmap format.

#include <cstdint>
#include <string>

struct BitmapLayout {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t planes = 1;
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t infoSize = 40;
    std::uint32_t dataOffset = 54;
    std::uint32_t compression = 0;
};

inline constexpr std::uint32_t DOTS_PER_METRE = 2835; // 72 dots per inch

inline void putLittleEndian(std::string& bytes, std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Bytes of one stored row: whole 4-byte units.
inline std::int64_t strideOf(const BitmapLayout& layout) {
    return (static_cast<std::int64_t>(layout.bitsPerPixel) * layout.width / 8 + 3) / 4 * 4;
}

// The file and information headers, padded with zero bytes up to the pixel
// data; the sizes in them are filled in by finishBitmap.
inline std::string bitmapHeaders(const BitmapLayout& layout) {
    std::string bytes(layout.dataOffset, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    putLittleEndian(bytes, 10, layout.dataOffset, 4);
    putLittleEndian(bytes, 14, layout.infoSize, 4);
    putLittleEndian(bytes, 18, static_cast<std::uint32_t>(layout.width), 4);
    putLittleEndian(bytes, 22, static_cast<std::uint32_t>(layout.height), 4);
    putLittleEndian(bytes, 26, layout.planes, 2);
    putLittleEndian(bytes, 28, layout.bitsPerPixel, 2);
    if (layout.dataOffset >= 54) {
        putLittleEndian(bytes, 30, layout.compression, 4);
        putLittleEndian(bytes, 38, DOTS_PER_METRE, 4);
        putLittleEndian(bytes, 42, DOTS_PER_METRE, 4);
    }
    return bytes;
}

// Writes the file size and the pixel data's size into the headers.
inline std::string finishBitmap(std::string bytes, const BitmapLayout& layout) {
    putLittleEndian(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    if (layout.dataOffset >= 54 && bytes.size() >= layout.dataOffset)
        putLittleEndian(bytes, 34, static_cast<std::uint32_t>(bytes.size() - layout.dataOffset), 4);
    return bytes;
}

// A whole file: headers, then every row of pixels in the given byte.
inline std::string makeBitmap(const BitmapLayout& layout, char pixelByte = '\x7f') {
    std::int64_t height =
        layout.height < 0 ? -static_cast<std::int64_t>(layout.height) : layout.height;
    std::string bytes = bitmapHeaders(layout);
    if (layout.width > 0 && height > 0 && layout.width <= 1000 && height <= 1000)
        bytes.append(static_cast<std::size_t>(strideOf(layout) * height), pixelByte);
    return finishBitmap(bytes, layout);
}

struct Pixel {
    std::uint8_t red, green, blue;
};

// A 24-bit bitmap whose pixels, in stored order (bottom row first), are
// pixelAt(i) for i = 0 .. width * height - 1; padding bytes are 0xEE so that
// a reader that takes them for pixels is seen.
template <typename PixelAt>
std::string makePicture(std::int32_t width, std::int32_t height, PixelAt pixelAt) {
    const BitmapLayout layout{width, height};
    std::string bytes = makeBitmap(layout, '\xEE');
    const auto stride = static_cast<std::size_t>(strideOf(layout));
    for (std::int32_t row = 0; row < height; ++row) {
        for (std::int32_t column = 0; column < width; ++column) {
            const Pixel pixel = pixelAt(row * width + column);
            const std::size_t at = layout.dataOffset + static_cast<std::size_t>(row) * stride +
                                   3 * static_cast<std::size_t>(column);
            bytes[at] = static_cast<char>(pixel.blue);
            bytes[at + 1] = static_cast<char>(pixel.green);
            bytes[at + 2] = static_cast<char>(pixel.red);
        }
    }
    return bytes;
}

// An 8-bit bitmap with a palette of 256 greys, each row running from black
// on the left to white on the right.
inline std::string makeGreyPicture(std::int32_t width, std::int32_t height) {
    const BitmapLayout layout{width, height, 1, 8, 40, 54 + 4 * 256};
    std::string bytes = bitmapHeaders(layout);
    putLittleEndian(bytes, 46, 256, 4); // colours in the palette
    for (std::uint32_t level = 0; level < 256; ++level)
        putLittleEndian(bytes, 54 + 4 * level, level * 0x010101u, 4);
    const auto stride = static_cast<std::size_t>(strideOf(layout));
    for (std::int32_t row = 0; row < height; ++row) {
        std::string pixels(stride, '\0');
        for (std::int32_t x = 0; x < width; ++x)
            pixels[static_cast<std::size_t>(x)] =
                static_cast<char>(x * 255 / std::max(width - 1, 1));
        bytes += pixels;
    }
    return finishBitmap(bytes, layout);
}
