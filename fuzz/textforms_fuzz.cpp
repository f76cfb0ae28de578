// The text forms on arbitrary bytes and counts: two fixed fields of widths
// 0..300 take assignments and appends, and must hold exactly what the cut and
// fill rules give; the parts of a text, spaces, comparison and the print
// column must give exactly their defined results, for any count or start.
//
// The input: two 16-bit widths, then operations, each an opcode byte and its
// arguments.

#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "services/textforms.h"

namespace {

constexpr std::size_t MAX_WIDTH = 300;
// Keeps spaces() from being asked for gigabytes.
constexpr int MAX_SPACES = 65536;

// A field as its positions should stand, next to the field under test.
struct CheckedField {
    FixedField field;
    std::string positions;
};

CheckedField makeChecked(std::size_t width) {
    return {makeField(width), std::string(width, '\0')};
}

std::size_t contentLength(const std::string& positions) {
    return std::min(positions.find('\0'), positions.size());
}

// The first min(L, N) bytes of the source, zero bytes after them. A zero byte
// in the source is copied like any other, so only a source without one leaves
// nothing but zero bytes after the content.
void expectAssigned(CheckedField& f, const std::string& source) {
    std::size_t width = f.positions.size();
    std::size_t length = std::min(source.size(), width);
    f.positions = source.substr(0, length) + std::string(width - length, '\0');
}

// The first min(L, N - C) bytes of the text after the content, zero bytes after them.
void expectAppended(CheckedField& f, const std::string& text) {
    std::size_t width = f.positions.size();
    std::size_t kept = contentLength(f.positions);
    std::size_t length = std::min(text.size(), width - kept);
    f.positions = f.positions.substr(0, kept) + text.substr(0, length) +
                  std::string(width - kept - length, '\0');
}

void checkField(const CheckedField& f) {
    Text full = fullText(f.field);
    check(full.size() == f.positions.size(), "the full text is exactly the width");
    check(full == f.positions, "the positions the cut and fill rules give");
    Text held = content(f.field);
    check(held == f.positions.substr(0, contentLength(f.positions)),
          "the content is the bytes before the first zero byte");
    check(full.compare(0, held.size(), held) == 0, "the content begins the full text");
}

// min(n, T), or 0 for a count of zero or below.
std::size_t partLength(int count, std::size_t textLength) {
    return count <= 0 ? 0 : std::min(static_cast<std::size_t>(count), textLength);
}

void checkLeft(const std::string& text, int count) {
    check(leftText(text, count) == text.substr(0, partLength(count, text.size())),
          "leftText gives the first min(n, T) bytes");
}

void checkRight(const std::string& text, int count) {
    check(rightText(text, count) == text.substr(text.size() - partLength(count, text.size())),
          "rightText gives the last min(n, T) bytes");
}

void checkMid(const std::string& text, int start, int count) {
    std::string expected;
    if (start >= 1 && static_cast<std::size_t>(start) <= text.size() && count != 0) {
        std::size_t rest = text.size() - static_cast<std::size_t>(start) + 1;
        expected = text.substr(static_cast<std::size_t>(start) - 1,
                               count < 0 ? rest : partLength(count, rest));
    }
    check(midText(text, start, count) == expected,
          "midText gives the bytes from s on, all or min(n, T - s + 1)");
}

void checkSpaces(int count) {
    if (count > MAX_SPACES)
        count %= MAX_SPACES;
    Text blank = spaces(count);
    check(blank == std::string(static_cast<std::size_t>(std::max(count, 0)), ' '),
          "spaces gives max(n, 0) spaces");
}

void checkCompare(const std::string& a, const std::string& b) {
    int expected = 0;
    auto byteLess = [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byteLess))
        expected = -1;
    else if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), byteLess))
        expected = 1;
    check(compareText(a, b) == expected, "compareText orders by unsigned bytes, then length");
    check(compareText(a, a) == 0, "a text equals itself");
}

// The column after a piece, and the spaces to the next print zone from there.
void checkColumn(std::uint32_t column, const std::string& piece) {
    std::size_t after = columnAfter(column, piece.data(), piece.size());
    std::size_t lineEnd = piece.find_last_of("\r\n");
    std::size_t expected =
        lineEnd == std::string::npos ? column + piece.size() : piece.size() - lineEnd - 1;
    check(after == expected, "the column counts the bytes since the last line end");
    Text fill = zoneFill(after);
    check(fill.size() >= 1 && fill.size() <= ZONE_WIDTH, "a zone fill is 1 to 14 spaces");
    check((after + fill.size()) % ZONE_WIDTH == 0, "a zone fill ends on a zone's start");
    check(fill == std::string(fill.size(), ' '), "a zone fill is spaces");
}

void runOperation(ByteReader& reader, CheckedField& one, CheckedField& other) {
    std::uint8_t opcode = nextByte(reader);
    CheckedField& target = opcode & 0x80 ? other : one;
    const CheckedField& source = opcode & 0x80 ? one : other;
    switch (opcode % 9) {
    case 0: {
        std::string text = nextPiece(reader);
        assign(target.field, text);
        expectAssigned(target, text);
        break;
    }
    case 1: {
        std::string text = nextPiece(reader);
        append(target.field, text);
        expectAppended(target, text);
        break;
    }
    case 2:
        assign(target.field, source.field);
        expectAssigned(target, source.positions.substr(0, contentLength(source.positions)));
        break;
    case 3: {
        int count = nextCount(reader);
        checkLeft(nextPiece(reader), count);
        break;
    }
    case 4: {
        int count = nextCount(reader);
        checkRight(opcode & 0x40 ? fullText(target.field) : nextPiece(reader), count);
        break;
    }
    case 5: {
        int start = nextCount(reader);
        int count = nextCount(reader);
        checkMid(nextPiece(reader), start, count);
        break;
    }
    case 6:
        checkSpaces(nextCount(reader));
        break;
    case 7: {
        std::string a = nextPiece(reader);
        checkCompare(a, opcode & 0x40 ? a.substr(0, nextByte(reader)) : nextPiece(reader));
        break;
    }
    default: {
        std::uint32_t column = static_cast<std::uint32_t>(nextInt32(reader));
        checkColumn(column, nextPiece(reader));
    }
    }
    checkField(one);
    checkField(other);
}

std::size_t nextWidth(ByteReader& reader) {
    std::size_t low = nextByte(reader);
    return (low | std::size_t{nextByte(reader)} << 8) % (MAX_WIDTH + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader reader{data, size};
    std::size_t firstWidth = nextWidth(reader);
    CheckedField one = makeChecked(firstWidth);
    CheckedField other = makeChecked(nextWidth(reader));
    checkField(one);
    checkField(other);
    while (!atEnd(reader))
        runOperation(reader, one, other);
    return 0;
}
