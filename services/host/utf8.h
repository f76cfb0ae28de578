#pragma once

// Reading and writing UTF-8, for the screen's characters and for Windows'
// names.

#include <cstddef>
#include <string>
#include <string_view>

// The code point of the UTF-8 sequence at the start of bytes (not empty),
// and its length; 0 when the sequence is invalid, overlong, cut short or
// past U+10FFFF. A surrogate's three bytes, which only names carried over
// from UTF-16 hold, count as a sequence when surrogates is set.
std::size_t decodeUtf8(std::string_view bytes, char32_t& code, bool surrogates);

// The length of the UTF-8 of a code point.
constexpr std::size_t utf8Length(char32_t code) {
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

// Writes the UTF-8 of a code point (a surrogate's three bytes too) to out,
// which has room for utf8Length(code) bytes; returns that length.
constexpr std::size_t encodeUtf8(char32_t code, char* out) {
    const std::size_t length = utf8Length(code);
    if (length == 1) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    const std::size_t continuations = length - 1;
    constexpr unsigned char LEADS[] = {0, 0xC0, 0xE0, 0xF0};
    out[0] = static_cast<char>(LEADS[continuations] | (code >> (6 * continuations)));
    for (std::size_t i = 1; i < length; ++i)
        out[i] = static_cast<char>(0x80 | ((code >> (6 * (continuations - i))) & 0x3F));
    return length;
}

// The text with each character that marked says is one of them written as
// "?"; a byte that is no UTF-8 is kept as it is.
std::string withMarkedAsQuestionMarks(std::string_view text, bool (*marked)(char32_t));
