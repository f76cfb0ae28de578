#pragma once

// Bitmap files built byte by byte for tests.

#include <cstdint>
#include <string>

struct BitmapLayout {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t planes = 1;
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t infoSize = 40;
    std::uint32_t dataOffset = 54;
};

inline void putLittleEndian(std::string& bytes, std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A whole file: header, then rows of pixels in the given byte (or a pattern).
inline std::string makeBitmap(const BitmapLayout& layout, char pixelByte = '\x7f') {
    std::int64_t height = layout.height < 0 ? -static_cast<std::int64_t>(layout.height) : layout.height;
    std::int64_t stride = (3 * static_cast<std::int64_t>(layout.width) + 3) / 4 * 4;
    std::string bytes(layout.dataOffset, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    putLittleEndian(bytes, 10, layout.dataOffset, 4);
    putLittleEndian(bytes, 14, layout.infoSize, 4);
    putLittleEndian(bytes, 18, static_cast<std::uint32_t>(layout.width), 4);
    putLittleEndian(bytes, 22, static_cast<std::uint32_t>(layout.height), 4);
    putLittleEndian(bytes, 26, layout.planes, 2);
    putLittleEndian(bytes, 28, layout.bitsPerPixel, 2);
    if (layout.width > 0 && height > 0 && layout.width <= 1000 && height <= 1000)
        bytes.append(static_cast<std::size_t>(stride * height), pixelByte);
    putLittleEndian(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    return bytes;
}

struct Pixel {
    std::uint8_t red, green, blue;
};

// A 24-bit bitmap whose pixels, in stored order (bottom row first), are
// pixelAt(i) for i = 0 .. width * height - 1; padding bytes are 0xEE so that
// a reader that takes them for pixels is seen.
template <typename PixelAt>
std::string makePicture(std::int32_t width, std::int32_t height, PixelAt pixelAt) {
    std::string bytes = makeBitmap({width, height}, '\xEE');
    const std::size_t stride = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
    for (std::int32_t row = 0; row < height; ++row) {
        for (std::int32_t column = 0; column < width; ++column) {
            const Pixel pixel = pixelAt(row * width + column);
            const std::size_t at = 54 + static_cast<std::size_t>(row) * stride + 3 * static_cast<std::size_t>(column);
            bytes[at] = static_cast<char>(pixel.blue);
            bytes[at + 1] = static_cast<char>(pixel.green);
            bytes[at + 2] = static_cast<char>(pixel.red);
        }
    }
    return bytes;
}
