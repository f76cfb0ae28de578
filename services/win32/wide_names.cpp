#include "services/win32/wide_names.h"

#include <windows.h>

#include <vector>

namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
        return;
    }
    const int continuations = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    constexpr unsigned char LEADS[] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(LEADS[continuations] | (code >> (6 * continuations)));
    for (int i = continuations - 1; i >= 0; --i)
        out += static_cast<char>(0x80 | ((code >> (6 * i)) & 0x3F));
}

void appendWide(std::wstring& out, char32_t code) {
    if (code < 0x10000) {
        out += static_cast<wchar_t>(code);
        return;
    }
    code -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (code >> 10));
    out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
}

// The code point of the sequence at utf8[at], surrogates allowed, and its
// length; 0 for a byte that starts no such sequence.
std::size_t decode(const std::string& utf8, std::size_t at, char32_t& code) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
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
    if (utf8.size() - at < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(utf8[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (next & 0x3Fu);
    }
    return code < least || code > 0x10FFFF ? 0 : length;
}

} // namespace

std::string utf8Of(const std::wstring& wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t code = static_cast<char16_t>(wide[i]);
        if (isHighSurrogate(code) && i + 1 < wide.size() &&
            isLowSurrogate(static_cast<char16_t>(wide[i + 1])))
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char16_t>(wide[++i]) - 0xDC00);
        appendUtf8(out, code);
    }
    return out;
}

std::wstring wideOf(const std::string& utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t code = 0;
        const std::size_t length = decode(utf8, at, code);
        appendWide(out, length == 0 ? REPLACEMENT : code);
        at += length == 0 ? 1 : length;
    }
    return out;
}

std::wstring currentDirectoryWide() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        // The path's length when it fits; otherwise the room it needs, zero
        // included, and the directory may change again before the next try.
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(length);
    }
}
