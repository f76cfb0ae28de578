#include "services/win32/wide_names.h"

#include <windows.h>

#include <string_view>
#include <vector>

#include "services/host/utf8.h"

namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t code) {
    char bytes[4];
    out.append(bytes, encodeUtf8(code, bytes));
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
        const std::size_t length = decodeUtf8(std::string_view(utf8).substr(at), code, true);
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
