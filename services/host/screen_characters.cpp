#include "services/host/screen_characters.h"

#include <array>

#include "services/host/utf8.h"

namespace {

// Code page 437 glyphs of bytes 0-31 (0 itself is shown as a blank).
constexpr char16_t LOW_GLYPHS[] = u" ☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼";
// Code page 437 glyphs of bytes 128-255.
constexpr char16_t HIGH_GLYPHS[] = u"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»"
                                   u"░▒▓│┤╡╢╖╕╣║╗╝╜╛┐└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
                                   u"αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0";
constexpr char16_t DELETE_GLYPH = u'⌂';
// The base on which a mark with no character before it is shown.
constexpr char32_t DOTTED_CIRCLE = U'\u25CC';

static_assert(sizeof(LOW_GLYPHS) / sizeof(char16_t) == 32 + 1);
static_assert(sizeof(HIGH_GLYPHS) / sizeof(char16_t) == 128 + 1);

constexpr char32_t glyphCode(unsigned char byte) {
    if (byte < 32)
        return LOW_GLYPHS[byte];
    if (byte == 127)
        return DELETE_GLYPH;
    if (byte >= 128)
        return HIGH_GLYPHS[byte - 128];
    return byte;
}

// Appends code as UTF-8 when it fits in the character; false when it does not.
constexpr bool appendCode(ScreenCharacter& character, char32_t code) {
    if (character.length + utf8Length(code) > CHARACTER_BYTES)
        return false;
    character.length = static_cast<std::uint8_t>(
        character.length + encodeUtf8(code, character.bytes + character.length));
    return true;
}

constexpr ScreenCharacter characterOf(char32_t code) {
    ScreenCharacter character{{}, 0, 1};
    appendCode(character, code);
    return character;
}

constexpr std::array<ScreenCharacter, 256> FIXED_CHARACTERS = [] {
    std::array<ScreenCharacter, 256> table{};
    for (int byte = 0; byte < 256; ++byte)
        table[static_cast<std::size_t>(byte)] =
            characterOf(glyphCode(static_cast<unsigned char>(byte)));
    return table;
}();

// Never sent to the screen as they are: controls and direction marks; and
// the zero-width joiner, which terminals draw by rules of their own (a family
// of three emoji in two cells), so that the cells they take could not be known.
bool neverShown(char32_t code) {
    return isControlOrDirectionMark(code) || code == 0x200D;
}

// The width of a code point as the rule gives it; -1 for one never shown.
int widthOf(const NameRule& rule, char32_t code) {
    return neverShown(code) ? -1 : rule.widthOf(code);
}

// Joins the marks that follow a character to it; marks past its room are
// read and dropped.
std::size_t joinMarks(std::string_view bytes, const NameRule& rule, ScreenCharacter& character) {
    std::size_t used = 0;
    while (used < bytes.size()) {
        char32_t mark = 0;
        const std::size_t length = decodeUtf8(bytes.substr(used), mark, false);
        if (length == 0 || widthOf(rule, mark) != 0)
            break;
        appendCode(character, mark);
        used += length;
    }
    return used;
}

} // namespace

const ScreenCharacter& fixedCharacter(unsigned char byte) {
    return FIXED_CHARACTERS[byte];
}

bool isDirectionMark(char32_t code) {
    return code == 0x061C || code == 0x200E || code == 0x200F ||
           (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

bool isControlOrDirectionMark(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || isDirectionMark(code);
}

namespace {

// A character that is not plain ASCII: decoded, measured, and its marks joined.
std::size_t readDecodedCharacter(std::string_view bytes, const NameRule& rule,
                                 ScreenCharacter& character) {
    const auto first = static_cast<unsigned char>(bytes[0]);
    char32_t code = 0;
    const std::size_t length = rule.utf8 ? decodeUtf8(bytes, code, false) : 0;
    const int width = length == 0 ? -1 : widthOf(rule, code);
    if (width < 0 || width > 2) {
        character = fixedCharacter(first);
        return 1;
    }
    character = characterOf(width == 0 ? DOTTED_CIRCLE : code);
    character.width = static_cast<std::uint8_t>(width == 0 ? 1 : width);
    const std::size_t base = width == 0 ? 0 : length;
    return base + joinMarks(bytes.substr(base), rule, character);
}

} // namespace

std::size_t readNameCharacter(std::string_view bytes, const NameRule& rule,
                              ScreenCharacter& character) {
    // ASCII that no mark joins, most names whole, is its fixed character:
    // printable ASCII itself, a control byte its glyph.
    const auto first = static_cast<unsigned char>(bytes[0]);
    const bool control = first < 0x20 || first == 0x7F;
    const bool markMayFollow = bytes.size() > 1 && static_cast<unsigned char>(bytes[1]) >= 0x80;
    if (first < 0x80 && (control || !markMayFollow)) {
        character = FIXED_CHARACTERS[first];
        return 1;
    }
    return readDecodedCharacter(bytes, rule, character);
}

NameStart nameStart(std::string_view name, const NameRule& rule, std::size_t characters,
                    std::size_t cells) {
    NameStart start;
    for (std::size_t read = 0; read < characters && start.bytes < name.size(); ++read) {
        ScreenCharacter character;
        const std::size_t length = readNameCharacter(name.substr(start.bytes), rule, character);
        if (start.cells + character.width > cells)
            break;
        start.bytes += length;
        start.cells += character.width;
    }
    return start;
}
