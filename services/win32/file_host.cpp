// Files on Windows through the wide-character calls, so that names outside
// the ANSI code page are reached too. Names from the logic are mapped to the
// real names behind them; the temporary file's name is the host's own and is
// kept in UTF-8, since it is never shown and may lie in any directory.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "services/host.h"
#include "services/win32/shown_names.h"

namespace {

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE handleOf(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

// Whether an existing name is a file on a disk and not a device such as CON,
// which reads can wait on for ever and a rename cannot replace.
bool isDiskFile(const std::wstring& name) {
    const HANDLE handle =
        CreateFileW(name.c_str(), 0, SHARE_ALL, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool onDisk = GetFileType(handle) == FILE_TYPE_DISK;
    CloseHandle(handle);
    return onDisk;
}

bool isMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Everything of name up to and including its last separator or drive colon.
std::wstring directoryPrefix(const std::wstring& name) {
    const std::size_t end = name.find_last_of(L"/\\:");
    return end == std::wstring::npos ? std::wstring() : name.substr(0, end + 1);
}

// The attributes the new file takes over from the one it replaces, as a plain
// rewrite of that file would keep them.
DWORD keptAttributes(const std::wstring& name) {
    const DWORD earlier = GetFileAttributesW(name.c_str());
    if (earlier == INVALID_FILE_ATTRIBUTES)
        return FILE_ATTRIBUTE_NORMAL;
    const DWORD kept = earlier & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    return kept == 0 ? FILE_ATTRIBUTE_NORMAL : kept;
}

// Creates a file of a name nobody has yet; sharing delete lets another thread
// remove it while it is still open.
HANDLE createUnique(const std::wstring& prefix, DWORD attributes, std::wstring& path) {
    static unsigned sequence = 0;
    const std::wstring stem =
        prefix + L".pictoline-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = stem + std::to_wstring(++sequence);
        const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, SHARE_ALL, nullptr,
                                          CREATE_NEW, attributes, nullptr);
        if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return handle;
    }
    return INVALID_HANDLE_VALUE;
}

} // namespace

std::FILE* hostOpenForReading(const std::string& name) {
    std::FILE* stream = _wfopen(realName(name).c_str(), L"rb");
    if (stream != nullptr && GetFileType(handleOf(stream)) != FILE_TYPE_DISK) {
        std::fclose(stream);
        return nullptr;
    }
    return stream;
}

std::string hostReplacementTarget(const std::string& name) {
    return name;
}

bool hostRefusesReplacement(const std::string& name) {
    const std::wstring real = realName(name);
    const DWORD attributes = GetFileAttributesW(real.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return !isMissing(GetLastError());
    constexpr DWORD unwritable =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DEVICE;
    return (attributes & unwritable) != 0 || !isDiskFile(real);
}

std::FILE* hostCreateTemporary(const std::string& name, std::string& temporaryName) {
    const std::wstring real = realName(name);
    std::wstring path;
    const HANDLE handle = createUnique(directoryPrefix(real), keptAttributes(real), path);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    const int descriptor =
        _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (descriptor == -1) {
        CloseHandle(handle);
        DeleteFileW(path.c_str());
        return nullptr;
    }
    std::FILE* stream = _fdopen(descriptor, "wb");
    if (stream == nullptr) {
        _close(descriptor);
        DeleteFileW(path.c_str());
        return nullptr;
    }
    temporaryName = utf8Of(path);
    return stream;
}

bool hostSyncFile(std::FILE* stream) {
    const HANDLE handle = handleOf(stream);
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
}

bool hostReplaceFile(const std::string& temporaryName, const std::string& name) {
    return MoveFileExW(wideOfUtf8(temporaryName).c_str(), realName(name).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// Runs on the console's control handler thread too, with the file still open.
void hostRemoveFile(const char* name) {
    DeleteFileW(wideOfUtf8(name).c_str());
}

void hostAtExit(void (*function)()) {
    std::atexit(function);
}
