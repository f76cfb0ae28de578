// The arguments, taken from the command line's own UTF-16; standard output
// and standard error for lines outside the screen: a console is written as
// UTF-16, so that names show as themselves, a file or pipe takes UTF-8 with
// CR LF line ends.

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
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

// An argument with wildcards in its last part stands for the names that
// match it, as the shells of Windows leave that to the program; one that
// matches nothing stays as it is.
void expandInto(std::vector<std::string>& names, const std::wstring& argument) {
    const std::size_t separator = argument.find_last_of(L"\\/:");
    const std::size_t lastPart = separator == std::wstring::npos ? 0 : separator + 1;
    WIN32_FIND_DATAW found{};
    const HANDLE search = argument.find_first_of(L"*?", lastPart) == std::wstring::npos
                              ? INVALID_HANDLE_VALUE
                              : FindFirstFileW(argument.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        names.push_back(utf8Of(argument));
        return;
    }
    const std::wstring directory = argument.substr(0, lastPart);
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(utf8Of(directory + name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

} // namespace

std::vector<std::string> hostArguments(int, char**) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr)
        return {};
    std::vector<std::string> names;
    for (int i = 1; i < count; ++i)
        expandInto(names, arguments[i]);
    LocalFree(arguments);
    return names;
}

bool hostWriteOutput(const std::string& text) {
    return writeStream(STD_OUTPUT_HANDLE, text);
}

bool hostWriteError(const std::string& text) {
    return writeStream(STD_ERROR_HANDLE, text);
}

std::FILE* hostBinaryStandardOutput() {
    // The C runtime turns "\n" into CR LF in text mode; the data file's own
    // CR LF must pass as it is.
    if (_setmode(_fileno(stdout), _O_BINARY) == -1)
        return nullptr;
    return stdout;
}
