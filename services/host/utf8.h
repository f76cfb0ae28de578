#pragma once

// Reading UTF-8, for the screen's characters and for Windows' names.

#include <cstddef>
#include <string_view>

// The code point of the UTF-8 sequence at the start of bytes (not empty),
// and its length; 0 when the sequence is invalid, overlong, cut short or
// past U+10FFFF. A surrogate's three bytes, which only names carried over
// from UTF-16 hold, count as a sequence when surrogates is set.
std::size_t decodeUtf8(std::string_view bytes, char32_t& code, bool surrogates);
