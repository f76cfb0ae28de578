#include "convert/bitmap_header.h"

#include "services/files.h"

namespace {

constexpr std::uint8_t LETTER_B = 66;
constexpr std::uint8_t LETTER_M = 77;
constexpr std::uint8_t INFO_HEADER_SIZE = 40;
constexpr std::uint8_t PLANE_COUNT = 1;
// Compression 0: the pixels are stored as they are.
constexpr std::uint32_t NOT_COMPRESSED = 0;
constexpr std::uint32_t FIRST_PIXEL_OFFSET = 54;

// The walk over the header: every byte read in turn into one header byte.
struct HeaderWalk {
    std::uint8_t& headerByte;
    int number;
};

std::uint8_t next(HeaderWalk& walk) {
    readByte(walk.number, walk.headerByte);
    return walk.headerByte;
}

void skip(HeaderWalk& walk, std::uint32_t count) {
    for (; count > 0; --count)
        next(walk);
}

// A little-endian field of count bytes.
std::uint32_t field(HeaderWalk& walk, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value |= static_cast<std::uint32_t>(next(walk)) << (8 * i);
    return value;
}

bool acceptedSize(std::uint32_t width, std::uint32_t height) {
    auto signedHeight = static_cast<std::int32_t>(height);
    return width >= 1 && width <= MAX_BITMAP_WIDTH && signedHeight >= 1 &&
           signedHeight <= MAX_BITMAP_HEIGHT;
}

// Whether the file holds every pixel row, the last without its padding.
bool holdsEveryPixel(int number, std::uint32_t offset, const BitmapInfo& info) {
    std::int64_t rowBytes = 3 * static_cast<std::int64_t>(info.width);
    std::int64_t stride = (rowBytes + 3) / 4 * 4;
    std::int64_t needed = offset + stride * (info.height - 1) + rowBytes;
    return fileLength(number) >= needed;
}

// Reads offsets 0 to 25 with the tests the peek and the validating read
// share, leaving the width and height fields read; false at the first
// failed format test.
bool walkToPlanes(HeaderWalk& walk, std::uint32_t& offset, std::uint32_t& width,
                  std::uint32_t& height) {
    if (next(walk) != LETTER_B || next(walk) != LETTER_M)
        return false;
    skip(walk, 8);
    offset = field(walk, 4);
    if (next(walk) != INFO_HEADER_SIZE)
        return false;
    skip(walk, 3);
    width = field(walk, 4);
    height = field(walk, 4);
    return true;
}

} // namespace

BitmapInfo peekBitmapHeader(const Text& name, int fileNumber) {
    // Its own header byte: a peek leaves nothing behind for the validating read.
    std::uint8_t headerByte = 0;
    HeaderWalk walk{headerByte, fileNumber};
    openFile(name, FileMode::Binary, walk.number);
    std::uint32_t offset = 0, width = 0, height = 0;
    BitmapInfo info;
    if (walkToPlanes(walk, offset, width, height) && next(walk) == PLANE_COUNT) {
        skip(walk, 1);
        info.width = static_cast<std::uint16_t>(width);
        info.height = static_cast<std::uint16_t>(height);
        info.bitsPerPixel = next(walk);
    }
    closeFile(walk.number);
    return info;
}

HeaderVerdict readBitmapHeader(BitmapReading& bitmap, const Text& name) {
    HeaderWalk walk{bitmap.headerByte, bitmap.fileNumber};
    openFile(name, FileMode::Binary, walk.number);
    std::uint32_t offset = 0, width = 0, height = 0;
    if (!walkToPlanes(walk, offset, width, height))
        return HeaderVerdict::BadFormat;
    bitmap.info.width = static_cast<std::uint16_t>(width);
    bitmap.info.height = static_cast<std::uint16_t>(height);
    if (!acceptedSize(width, height)) {
        closeFile(walk.number);
        return HeaderVerdict::WrongSize;
    }
    if (next(walk) != PLANE_COUNT)
        return HeaderVerdict::BadFormat;
    skip(walk, 1);
    if (next(walk) != ACCEPTED_BITS_PER_PIXEL) {
        closeFile(walk.number);
        return HeaderVerdict::WrongDepth;
    }
    skip(walk, 1);
    if (field(walk, 4) != NOT_COMPRESSED)
        return HeaderVerdict::BadFormat;
    skip(walk, FIRST_PIXEL_OFFSET - 34);
    if (offset < FIRST_PIXEL_OFFSET || !holdsEveryPixel(walk.number, offset, bitmap.info))
        return HeaderVerdict::BadFormat;
    // The file is long enough: the pixels are reached by a seek, however far.
    skipBytes(walk.number, offset - FIRST_PIXEL_OFFSET);
    return HeaderVerdict::Ok;
}
