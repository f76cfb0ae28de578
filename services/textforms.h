#pragma once

// Texts, fixed-width text fields, and the decimal and date forms.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// A length-counted run of bytes; zero bytes are ordinary characters.
using Text = std::string;

inline const Text NEWLINE = "\r\n";
inline constexpr std::size_t ZONE_WIDTH = 14;

// A text variable of a set width: always exactly width positions, the bytes
// last assigned and appended, cut at the width, then zero bytes.
struct FixedField {
    Text positions;
};

FixedField makeField(std::size_t width);
void assign(FixedField& field, const Text& source);
void assign(FixedField& field, const FixedField& source);
void append(FixedField& field, const Text& text);
Text fullText(const FixedField& field);
Text content(const FixedField& field);

Text leftText(const Text& text, int count);
Text rightText(const Text& text, int count);
Text midText(const Text& text, int start, int count);
Text spaces(int count);
int compareText(const Text& a, const Text& b);

Text unsignedText(std::uint16_t value);

// "MM-DD-YYYY" and "HH:MM:SS" of a local time.
Text dateTextOf(const std::tm& time);
Text timeTextOf(const std::tm& time);
// The date and time in UTC of a moment given as a whole number of seconds
// since 1 January 1970, 00:00:00 UTC, up to the last second of the year
// 9999; nothing for any other text.
std::optional<std::tm> utcTimeOf(const Text& seconds);

// The column after a piece is written at column: the count after the last
// carriage return or line feed in it, or column grown by its length.
std::size_t columnAfter(std::size_t column, const char* bytes, std::size_t count);
// The spaces that take column to the next print zone: 1 to ZONE_WIDTH of them.
Text zoneFill(std::size_t column);
