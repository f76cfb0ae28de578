#include "services/host/utf8.h"

std::size_t decodeUtf8(std::string_view bytes, char32_t& code, bool surrogates) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, least = 0x80, code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, least = 0x800, code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, least = 0x10000, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (next & 0x3Fu);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < least || code > 0x10FFFF || (surrogate && !surrogates))
        return 0;
    return length;
}

std::string withMarkedAsQuestionMarks(std::string_view text, bool (*marked)(char32_t)) {
    std::string shown;
    for (std::size_t at = 0; at < text.size();) {
        char32_t code = 0;
        const std::size_t decoded = decodeUtf8(text.substr(at), code, false);
        const std::size_t length = decoded == 0 ? 1 : decoded;
        if (decoded != 0 && marked(code))
            shown += '?';
        else
            shown.append(text.substr(at, length));
        at += length;
    }
    return shown;
}
