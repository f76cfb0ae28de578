#include "services/posix/glyphs.h"

namespace {

// Code page 437 glyphs of bytes 0-31 (0 itself is shown as a blank).
constexpr char16_t LOW_GLYPHS[] = u" ☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼";
// Code page 437 glyphs of bytes 128-255.
constexpr char16_t HIGH_GLYPHS[] = u"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»"
                                   u"░▒▓│┤╡╢╖╕╣║╗╝╜╛┐└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
                                   u"αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0";
constexpr char16_t DELETE_GLYPH = u'⌂';

static_assert(sizeof(LOW_GLYPHS) / sizeof(char16_t) == 32 + 1);
static_assert(sizeof(HIGH_GLYPHS) / sizeof(char16_t) == 128 + 1);

void appendUtf8(std::string& out, char16_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

char16_t glyphOf(unsigned char byte) {
    if (byte < 32)
        return LOW_GLYPHS[byte];
    if (byte == 127)
        return DELETE_GLYPH;
    if (byte >= 128)
        return HIGH_GLYPHS[byte - 128];
    return byte;
}

} // namespace

void appendGlyph(std::string& out, unsigned char byte, bool utf8) {
    char16_t code = glyphOf(byte);
    if (code < 0x80)
        out.push_back(static_cast<char>(code));
    else if (utf8)
        appendUtf8(out, code);
    else
        out.push_back('?');
}
