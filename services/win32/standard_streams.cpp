// The arguments, taken from the command line's own UTF-16; standard output
// and standard error for lines outside the screen: a console is written as
// UTF-16, so that names show as themselves, a file or pipe takes UTF-8 with
// CR LF line ends.

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "services/host/host.h"
#include "services/win32/wide_names.h"

namespace {

bool writeBytes(HANDLE handle, const std::string& bytes) {
    const char* at = bytes.data();
    std::size_t count = bytes.size();
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, at, static_cast<DWORD>(count), &written, nullptr) || written == 0)
            return false;
        at += written;
        count -= written;
    }
    return true;
}

bool writeStream(DWORD which, const std::string& text) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = wideOf(text);
        DWORD written = 0;
        return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written,
                             nullptr) != 0 &&
               written == wide.size();
    }
    std::string crlf;
    crlf.reserve(text.size() + 2);
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return writeBytes(handle, crlf);
}

} // namespace

std::vector<std::string> hostArguments(int, char**) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr)
        return {};
    std::vector<std::string> utf8;
    for (int i = 1; i < count; ++i)
        utf8.push_back(utf8Of(arguments[i]));
    LocalFree(arguments);
    return utf8;
}

bool hostWriteOutput(const std::string& text) {
    return writeStream(STD_OUTPUT_HANDLE, text);
}

bool hostWriteError(const std::string& text) {
    return writeStream(STD_ERROR_HANDLE, text);
}
