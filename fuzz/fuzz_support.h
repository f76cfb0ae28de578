#pragma once

// What every fuzz target shares: a reader that takes values from the front of
// the input, and the check that stops the run when an invariant fails.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Past the end of the input every read gives zero, so any input is a whole
// script of operations.
struct ByteReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

inline bool atEnd(const ByteReader& reader) {
    return reader.at >= reader.size;
}

inline std::uint8_t nextByte(ByteReader& reader) {
    return atEnd(reader) ? 0 : reader.data[reader.at++];
}

inline std::int32_t nextInt32(ByteReader& reader) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(nextByte(reader)) << (8 * i);
    return static_cast<std::int32_t>(value);
}

// Up to count bytes, fewer when the input ends first.
inline std::string nextBytes(ByteReader& reader, std::size_t count) {
    std::size_t available = atEnd(reader) ? 0 : reader.size - reader.at;
    std::size_t taken = count < available ? count : available;
    std::string bytes(reinterpret_cast<const char*>(reader.data + reader.at), taken);
    reader.at += taken;
    return bytes;
}

// A length byte; the top sixteen values stand for long pieces, up to 960 bytes.
inline std::string nextPiece(ByteReader& reader) {
    std::size_t length = nextByte(reader);
    if (length >= 0xF0)
        length = (length - 0xF0 + 1) * 64;
    return nextBytes(reader, length);
}

// A signed count: mostly small, around zero, sometimes one of the extremes
// or any 32-bit value.
inline int nextCount(ByteReader& reader) {
    std::uint8_t selector = nextByte(reader);
    switch (selector) {
    case 0xFB:
        return INT_MIN;
    case 0xFC:
        return INT_MAX;
    case 0xFD:
        return INT_MIN + 1;
    case 0xFE:
        return INT_MAX - 1;
    case 0xFF:
        return nextInt32(reader);
    default:
        return static_cast<int>(selector) - 16;
    }
}

[[noreturn]] inline void invariantFailed(const char* what) {
    std::fprintf(stderr, "invariant failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

inline void check(bool holds, const char* what) {
    if (!holds)
        invariantFailed(what);
}
