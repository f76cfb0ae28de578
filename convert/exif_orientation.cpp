#include "convert/exif_orientation.h"

#include <cstring>

namespace {

constexpr std::uint8_t MARKER = 0xFF;
constexpr std::uint8_t START_OF_IMAGE = 0xD8;
constexpr std::uint8_t START_OF_SCAN = 0xDA;
constexpr std::uint8_t END_OF_IMAGE = 0xD9;
constexpr std::uint8_t APP1 = 0xE1;
constexpr std::uint16_t ORIENTATION_TAG = 0x0112;
constexpr std::uint16_t SHORT_TYPE = 3;
constexpr std::size_t IFD_ENTRY_SIZE = 12;
constexpr char EXIF_SIGNATURE[] = "Exif\0";

// Bytes of known length, read with bounds checked at every step.
struct Bytes {
    const std::uint8_t* data;
    std::size_t size;
};

std::uint16_t bigEndian16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

// A TIFF field: little-endian after "II", big-endian after "MM".
std::uint32_t tiffField(Bytes tiff, std::size_t at, int count, bool little) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t byte = tiff.data[at + static_cast<std::size_t>(i)];
        value = little ? value | std::uint32_t{byte} << (8 * i) : value << 8 | byte;
    }
    return value;
}

// The orientation in the TIFF structure of EXIF data: the tag of its first
// image directory.
int tiffOrientation(Bytes tiff) {
    if (tiff.size < 8)
        return UPRIGHT;
    const bool little = tiff.data[0] == 'I' && tiff.data[1] == 'I';
    if (!little && !(tiff.data[0] == 'M' && tiff.data[1] == 'M'))
        return UPRIGHT;
    if (tiffField(tiff, 2, 2, little) != 42)
        return UPRIGHT;
    const std::uint32_t directory = tiffField(tiff, 4, 4, little);
    if (directory > tiff.size - 2)
        return UPRIGHT;
    const std::uint32_t entries = tiffField(tiff, directory, 2, little);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + i * IFD_ENTRY_SIZE;
        if (entry + IFD_ENTRY_SIZE > tiff.size)
            break;
        if (tiffField(tiff, entry, 2, little) != ORIENTATION_TAG)
            continue;
        if (tiffField(tiff, entry + 2, 2, little) != SHORT_TYPE)
            return UPRIGHT;
        const std::uint32_t value = tiffField(tiff, entry + 8, 2, little);
        return value >= 1 && value <= ORIENTATION_COUNT ? static_cast<int>(value) : UPRIGHT;
    }
    return UPRIGHT;
}

} // namespace

int exifOrientation(const std::uint8_t* bytes, std::size_t size) {
    if (size < 4 || bytes[0] != MARKER || bytes[1] != START_OF_IMAGE)
        return UPRIGHT;
    // The segments before the picture's data: a marker, then a length that
    // counts itself.
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (bytes[at] != MARKER)
            return UPRIGHT;
        const std::uint8_t marker = bytes[at + 1];
        if (marker == MARKER) {
            ++at; // fill byte
            continue;
        }
        if (marker == START_OF_SCAN || marker == END_OF_IMAGE)
            return UPRIGHT;
        const std::size_t length = bigEndian16(bytes + at + 2);
        if (length < 2 || length > size - at - 2)
            return UPRIGHT;
        const std::uint8_t* payload = bytes + at + 4;
        const std::size_t payloadSize = length - 2;
        if (marker == APP1 && payloadSize >= 6 && std::memcmp(payload, EXIF_SIGNATURE, 6) == 0)
            return tiffOrientation({payload + 6, payloadSize - 6});
        at += 2 + length;
    }
    return UPRIGHT;
}

Picture orientUpright(Picture stored, int orientation) {
    if (orientation <= UPRIGHT || orientation > ORIENTATION_COUNT)
        return stored;
    const bool swapsSides = orientation >= 5;
    Picture upright;
    upright.width = swapsSides ? stored.height : stored.width;
    upright.height = swapsSides ? stored.width : stored.height;
    upright.rgb.resize(stored.rgb.size());
    const int lastX = stored.width - 1;
    const int lastY = stored.height - 1;
    for (int y = 0; y < upright.height; ++y) {
        for (int x = 0; x < upright.width; ++x) {
            // The stored pixel that is seen at (x, y).
            int sx = x, sy = y;
            switch (orientation) {
            case 2:
                sx = lastX - x;
                break;
            case 3:
                sx = lastX - x;
                sy = lastY - y;
                break;
            case 4:
                sy = lastY - y;
                break;
            case 5:
                sx = y;
                sy = x;
                break;
            case 6:
                sx = y;
                sy = lastY - x;
                break;
            case 7:
                sx = lastX - y;
                sy = lastY - x;
                break;
            case 8:
                sx = lastX - y;
                sy = x;
                break;
            }
            std::memcpy(&upright.rgb[pixelOffset(upright, x, y)],
                        &stored.rgb[pixelOffset(stored, sx, sy)], 3);
        }
    }
    return upright;
}
