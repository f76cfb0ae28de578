// Standard output and standard error, for lines outside the screen: a
// console is written as UTF-16, so that names show as themselves; a file or
// pipe takes UTF-8 with CR LF line ends.

#include <windows.h>

#include "services/host.h"
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

bool hostWriteOutput(const std::string& text) {
    return writeStream(STD_OUTPUT_HANDLE, text);
}

bool hostWriteError(const std::string& text) {
    return writeStream(STD_ERROR_HANDLE, text);
}
