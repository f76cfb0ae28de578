#include "services/host/screen_characters.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A terminal's widths for the characters below: CJK two cells, the
// combining acute none, everything else one.
int widthOf(char32_t code) {
    if (code == 0x301)
        return 0;
    if ((code >= 0x4E00 && code <= 0x9FFF) || (code >= 0x20000 && code <= 0x2FFFD))
        return 2;
    return 1;
}

// The cells a name shows as: each character's bytes, "²" after a wide one,
// "|" between them.
std::string cellsOf(const std::string& name, bool utf8) {
    const NameRule rule{utf8, widthOf};
    std::string cells;
    for (std::size_t at = 0; at < name.size();) {
        ScreenCharacter character;
        at += readNameCharacter(std::string_view(name).substr(at), rule, character);
        if (!cells.empty())
            cells += '|';
        cells.append(character.bytes, character.length);
        if (character.width == 2)
            cells += "²";
    }
    return cells;
}

std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

TEST(ScreenCharacters, NamesFromBytesToCells) {
    const std::string acute = "\xCC\x81";
    const struct {
        const char* what;
        std::string bytes;
        std::string cells;
    } cases[] = {
        {"ASCII", "ab", "a|b"},
        {"two bytes", "\xC3\xA9\xD0\xB6", "é|ж"},
        {"three bytes, wide", "\xE6\x97\xA5x", "日²|x"},
        {"four bytes, wide", "\xF0\xA0\x80\x80", "\xF0\xA0\x80\x80²"},
        {"four bytes, narrow", "\xF0\x9D\x90\x80", "\xF0\x9D\x90\x80"},
        {"a lone continuation byte", "\x80", "Ç"},
        {"a byte never in UTF-8", "a\xFF", "a|\u00A0"},
        {"a lead byte where a continuation belongs", "\xC3\xC3\xA9", "├|é"},
        {"overlong two bytes", "\xC0\xAF", "└|»"},
        {"overlong three bytes", "\xE0\x80\xAF", "α|Ç|»"},
        {"cut short at the end", "\xE6\x97", "µ|ù"},
        {"cut short by ASCII",
         "\xE6\x97"
         "a",
         "µ|ù|a"},
        {"a surrogate", "\xED\xA0\x80", "φ|á|Ç"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", "⌠|É|Ç|Ç"},
        {"a combining mark joins", "cafe" + acute, "c|a|f|e" + acute},
        {"a mark with nothing before it", acute + "a", "\u25CC" + acute + "|a"},
        {"marks past the room are dropped", "e" + repeated(acute, 7) + "z",
         "e" + repeated(acute, 6) + "|z"},
        {"C0 and DEL", "\t\x7F", "○|⌂"},
        {"C1", "\xC2\x85", "┬|à"},
        {"right-to-left override", "\xE2\x80\xAE", "Γ|Ç|«"},
        {"pop directional isolate", "\xE2\x81\xA9", "Γ|ü|⌐"},
        {"zero-width joiner",
         "a\xE2\x80\x8D"
         "b",
         "a|Γ|Ç|ì|b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(cellsOf(c.bytes, true), c.cells);
    }
}

TEST(ScreenCharacters, OutsideUtf8EveryByteIsACell) {
    EXPECT_EQ(cellsOf("a\xC3\xA9\xE6\x97\xA5", false), "a|├|⌐|µ|ù|Ñ");
}

TEST(ScreenCharacters, FixedTextBytesShowAsCodePage437) {
    const struct {
        unsigned char byte;
        const char* shown;
    } cases[] = {
        {0, " "},   {1, "☺"},   {7, "•"},   {10, "◙"},  {13, "♪"},  {27, "←"},
        {31, "▼"},  {32, " "},  {65, "A"},  {126, "~"}, {127, "⌂"}, {128, "Ç"},
        {158, "₧"}, {176, "░"}, {196, "─"}, {224, "α"}, {254, "■"}, {255, "\u00A0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.byte));
        const ScreenCharacter& character = fixedCharacter(c.byte);
        EXPECT_EQ(std::string(character.bytes, character.length), c.shown);
        EXPECT_EQ(character.width, 1);
    }
}

} // namespace
