#include "convert/jpeg_segments.h"

#include <algorithm>

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

// The tables are read as the decoder reads them: each one's counts taken
// whole even where they run past the segment's length (and, past the end of
// the file, as 0), until the length is used up.
bool tablesFit(const JpegSegment& segment) {
    const auto byteAt = [&segment](std::size_t at) -> int {
        return at < segment.available ? segment.payload[at] : 0;
    };
    std::size_t at = 0;
    for (std::int64_t left = static_cast<std::int64_t>(segment.claimedSize); left > 0;) {
        int codes = 0;
        for (int i = 1; i <= CODE_LENGTHS; ++i)
            codes += byteAt(at + static_cast<std::size_t>(i));
        if (codes > MOST_CODES)
            return false;
        const std::size_t table = 1 + CODE_LENGTHS + static_cast<std::size_t>(codes);
        at += table;
        left -= static_cast<std::int64_t>(table);
    }
    return true;
}

} // namespace

bool walkJpegSegments(const std::uint8_t* bytes, std::size_t size,
                      const std::function<bool(const JpegSegment&)>& visit) {
    // The decoder takes fill bytes before the start of the image, too.
    std::size_t at = 0;
    while (at < size && bytes[at] == MARKER)
        ++at;
    if (at == 0 || at == size || bytes[at] != START_OF_IMAGE)
        return false;
    ++at;
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
        if (length < 2)
            return true;
        const std::size_t available = size - at - 4;
        if (!visit(
                {marker, bytes + at + 4, std::min(length - 2, available), length - 2, available}))
            return true;
        at += 2 + length;
        if (marker == JPEG_START_OF_SCAN)
            at = afterScanData(bytes, size, at);
    }
    return true;
}

bool huffmanTablesFit(const std::uint8_t* bytes, std::size_t size) {
    // Up to the first scan the walk finds what the decoder finds. After it,
    // where the decoder takes up the segments again depends on how far its
    // decoding of the scan got, so every table marker there counts: in the
    // scans' own data a marker byte is never followed by one.
    bool fit = true;
    std::size_t scan = size;
    walkJpegSegments(bytes, size, [&](const JpegSegment& segment) {
        if (segment.marker == DEFINE_HUFFMAN_TABLES)
            fit = fit && tablesFit(segment);
        if (segment.marker == JPEG_START_OF_SCAN)
            scan = static_cast<std::size_t>(segment.payload - bytes);
        return fit && segment.marker != JPEG_START_OF_SCAN;
    });
    for (std::size_t at = scan; fit && at + 4 <= size; ++at) {
        if (bytes[at] != MARKER || bytes[at + 1] != DEFINE_HUFFMAN_TABLES)
            continue;
        const std::size_t length = std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
        const std::size_t available = size - at - 4;
        fit = length < 2 || tablesFit({DEFINE_HUFFMAN_TABLES, bytes + at + 4,
                                       std::min(length - 2, available), length - 2, available});
    }
    return fit;
}
