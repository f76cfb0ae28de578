#include "convert/exif_orientation.h"

#include <cstring>

#include "convert/jpeg_segments.h"

namespace {

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
    int orientation = UPRIGHT;
    // Only the segments before the picture's data.
    walkJpegSegments(bytes, size, [&orientation](const JpegSegment& segment) {
        if (segment.marker == JPEG_START_OF_SCAN)
            return false;
        if (segment.marker != APP1 || segment.size < 6 ||
            std::memcmp(segment.payload, EXIF_SIGNATURE, 6) != 0)
            return true;
        orientation = tiffOrientation({segment.payload + 6, segment.size - 6});
        return false;
    });
    return orientation;
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
