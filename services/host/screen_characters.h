#pragma once

// What the screen shows for bytes: a fixed text one byte to a cell, a name
// as its characters. A character is a code point and the combining marks
// that join it, or the code page 437 glyph of a byte that is no character.

#include <cstddef>
#include <cstdint>
#include <string_view>

// Room for a code point of four bytes and three marks of three.
inline constexpr std::size_t CHARACTER_BYTES = 13;

// One character as UTF-8, and the cells it takes: 1, or 2 for a wide one.
// The right half of a wide character is a cell of width 0 and no bytes.
// Bytes past the length are always zero, so that equal characters compare
// equal. A plain record: the console collects runs of them by the hundred.
struct ScreenCharacter {
    char bytes[CHARACTER_BYTES];
    std::uint8_t length;
    std::uint8_t width;
    bool operator==(const ScreenCharacter&) const = default;
};

inline constexpr ScreenCharacter BLANK_CHARACTER{{' '}, 1, 1};
inline constexpr ScreenCharacter RIGHT_HALF{{}, 0, 0};

// How names show: as UTF-8, each character in the cells that widthOf gives
// it (1, 2 for a wide one, 0 for a mark that joins the one before, -1 for
// one that cannot be shown), or, when not utf8, one byte to a cell.
struct NameRule {
    bool utf8 = false;
    int (*widthOf)(char32_t code) = nullptr;
};

// A byte of a fixed text: bytes 32 to 126 are themselves, 0 a blank, every
// other byte its glyph.
const ScreenCharacter& fixedCharacter(unsigned char byte);

// Controls (C0, DEL, C1) and the marks that turn text right to left (ALM,
// LRM, RLM, LRE to RLO, LRI to PDI), which could make a name show as another:
// never sent to a terminal as they are.
bool isControlOrDirectionMark(char32_t code);
// The marks alone.
bool isDirectionMark(char32_t code);

// Reads the character at the start of a name (bytes not empty); returns the
// count of bytes it takes. A byte that is no valid UTF-8, a control (C0,
// DEL, C1), a mark that turns text right to left, the zero-width joiner and
// a character that cannot be shown each become the glyphs of their bytes;
// marks after a character join it, and a mark with none before it stands on
// a dotted circle.
std::size_t readNameCharacter(std::string_view bytes, const NameRule& rule,
                              ScreenCharacter& character);

// How much of the start of a name the screen shows in at most characters
// characters and at most cells cells: its length in bytes and its cells.
struct NameStart {
    std::size_t bytes = 0;
    std::size_t cells = 0;
};
NameStart nameStart(std::string_view name, const NameRule& rule, std::size_t characters,
                    std::size_t cells);
