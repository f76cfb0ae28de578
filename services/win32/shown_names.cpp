#include "services/win32/shown_names.h"

#include <windows.h>

#include <map>
#include <vector>

namespace {

// The entry names of one directory that do not show as they are.
struct ShownNames {
    UINT codePage = 0;
    std::wstring directory;
    std::map<std::string, std::wstring> realOf;
    std::map<std::wstring, std::string> shownOf;
};

ShownNames names;

// The console's output code page, read once; the OEM code page a console
// would have when there is none.
UINT shownCodePage() {
    if (names.codePage == 0)
        names.codePage = GetConsoleOutputCP();
    if (names.codePage == 0)
        names.codePage = GetOEMCP();
    return names.codePage;
}

std::string narrow(const std::wstring& text, UINT codePage) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    // Best-fit mapping would show a real "a" for an "a" with a ring, and the
    // two could not be told apart; some code pages take neither option.
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* unshown = codePage == CP_UTF8 ? nullptr : "?";
    int size =
        WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, unshown, nullptr);
    if (size == 0) {
        flags = 0;
        unshown = nullptr;
        size = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    }
    std::string result(static_cast<std::size_t>(size), '\0');
    if (size > 0 && WideCharToMultiByte(codePage, flags, text.data(), length, result.data(), size,
                                        unshown, nullptr) == size)
        return result;
    // No conversion at all: ASCII stays, everything else shows as "?".
    result.clear();
    for (wchar_t c : text)
        result += c < 128 ? static_cast<char>(c) : '?';
    return result;
}

std::wstring widen(const std::string& text, UINT codePage) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    if (size > 0 &&
        MultiByteToWideChar(codePage, 0, text.data(), length, result.data(), size) == size)
        return result;
    // No conversion at all: each byte stands for the character of its value.
    result.clear();
    for (char c : text)
        result += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return result;
}

// "name~k.ext", or "name~k" for a name without an extension.
std::string withMark(const std::string& shown, int k) {
    const std::string mark = "~" + std::to_string(k);
    const std::size_t dot = shown.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return shown + mark;
    return shown.substr(0, dot) + mark + shown.substr(dot);
}

} // namespace

std::string shownEntryName(const std::wstring& realName) {
    std::string shown = narrow(realName, shownCodePage());
    if (widen(shown, shownCodePage()) == realName)
        return shown;
    const auto known = names.shownOf.find(realName);
    if (known != names.shownOf.end())
        return known->second;
    std::string unique = shown;
    for (int k = 2; names.realOf.count(unique) != 0; ++k)
        unique = withMark(shown, k);
    names.realOf[unique] = realName;
    names.shownOf[realName] = unique;
    return unique;
}

void keepEntryNamesOf(const std::wstring& directory) {
    if (directory == names.directory)
        return;
    names.directory = directory;
    names.realOf.clear();
    names.shownOf.clear();
}

std::string shownText(const std::wstring& text) {
    return narrow(text, shownCodePage());
}

std::wstring realName(const std::string& name) {
    if (!names.realOf.empty() && currentDirectoryWide() == names.directory) {
        // The longest handed-out name the name starts with.
        for (std::size_t length = name.size(); length > 0; --length) {
            const auto found = names.realOf.find(name.substr(0, length));
            if (found != names.realOf.end())
                return found->second + widen(name.substr(length), shownCodePage());
        }
    }
    return widen(name, shownCodePage());
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
