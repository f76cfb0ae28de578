#pragma once

// The marker segments of a JPEG file, those between its scans included: the
// one walk that reading its EXIF orientation and checking its Huffman
// tables share.

#include <cstddef>
#include <cstdint>
#include <functional>

struct JpegSegment {
    std::uint8_t marker = 0;
    const std::uint8_t* payload = nullptr;
    // The payload's bytes in the file: its length, or fewer where the file
    // ends first.
    std::size_t size = 0;
    // The length the segment claims, and the bytes from the payload to the
    // end of the file, which a decoder that trusts a segment's contents over
    // its length may read on into.
    std::size_t claimedSize = 0;
    std::size_t available = 0;
};

inline constexpr std::uint8_t JPEG_START_OF_SCAN = 0xDA;

// Gives visit each segment in turn, until visit returns false, the image
// ends, or the bytes stop making sense; the entropy-coded data after a
// start of scan is stepped over. False for bytes that are no JPEG.
bool walkJpegSegments(const std::uint8_t* bytes, std::size_t size,
                      const std::function<bool(const JpegSegment&)>& visit);
// Whether every Huffman table the file defines holds at most the 256 codes
// a table can hold, read as the decoder reads it. The decoder takes the
// counts as they come, and a table of more would be written past its end.
bool huffmanTablesFit(const std::uint8_t* bytes, std::size_t size);
