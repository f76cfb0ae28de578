#include "convert/jpeg_segments.h"

namespace {

constexpr std::uint8_t MARKER = 0xFF;
constexpr std::uint8_t START_OF_IMAGE = 0xD8;
constexpr std::uint8_t END_OF_IMAGE = 0xD9;
constexpr std::uint8_t DEFINE_HUFFMAN_TABLES = 0xC4;
constexpr std::uint8_t FIRST_RESTART = 0xD0;
constexpr std::uint8_t LAST_RESTART = 0xD7;
constexpr int CODE_LENGTHS = 16;
constexpr int MOST_CODES = 256;

// The position after the entropy-coded data that starts at at: the next
// marker that is neither a stuffed zero nor a restart.
std::size_t afterScanData(const std::uint8_t* bytes, std::size_t size, std::size_t at) {
    for (; at + 1 < size; ++at) {
        const std::uint8_t next = bytes[at + 1];
        if (bytes[at] == MARKER && next != 0 && next != MARKER &&
            !(next >= FIRST_RESTART && next <= LAST_RESTART))
            return at;
    }
    return size;
}

bool tablesFit(const JpegSegment& segment) {
    std::size_t at = 0;
    while (at < segment.size) {
        if (at + 1 + CODE_LENGTHS > segment.size)
            return true; // cut short: the decoder refuses it itself
        int codes = 0;
        for (int i = 1; i <= CODE_LENGTHS; ++i)
            codes += segment.payload[at + static_cast<std::size_t>(i)];
        if (codes > MOST_CODES)
            return false;
        at += 1 + CODE_LENGTHS + static_cast<std::size_t>(codes);
    }
    return true;
}

} // namespace

bool walkJpegSegments(const std::uint8_t* bytes, std::size_t size,
                      const std::function<bool(const JpegSegment&)>& visit) {
    if (size < 4 || bytes[0] != MARKER || bytes[1] != START_OF_IMAGE)
        return false;
    std::size_t at = 2;
    while (at + 4 <= size) {
        // Bytes between segments are stepped over, one by one, as the
        // decoder steps over them.
        if (bytes[at] != MARKER) {
            ++at;
            continue;
        }
        const std::uint8_t marker = bytes[at + 1];
        if (marker == MARKER) {
            ++at; // fill byte
            continue;
        }
        if (marker == END_OF_IMAGE)
            return true;
        const std::size_t length = std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
        if (length < 2 || length > size - at - 2)
            return true;
        if (!visit({marker, bytes + at + 4, length - 2}))
            return true;
        at += 2 + length;
        if (marker == JPEG_START_OF_SCAN)
            at = afterScanData(bytes, size, at);
    }
    return true;
}

bool huffmanTablesFit(const std::uint8_t* bytes, std::size_t size) {
    bool fit = true;
    walkJpegSegments(bytes, size, [&fit](const JpegSegment& segment) {
        if (segment.marker == DEFINE_HUFFMAN_TABLES)
            fit = tablesFit(segment);
        return fit;
    });
    return fit;
}
