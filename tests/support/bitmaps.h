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
