// Files on Windows through the wide-character calls, so that names outside
// the ANSI code page are reached too. Names from the logic are UTF-8; the
// temporary file's name is the host's own.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "services/host/host.h"
#include "services/host/replacement_problem.h"
#include "services/host/replacement_slots.h"
#include "services/win32/system_message.h"
#include "services/win32/wide_names.h"

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

// A data file in the making. The console's control handler removes the
// unfinished ones from a thread of its own, so each slot keeps its name in a
// buffer that is never freed and says by its state whether it is in use.
enum SlotState : int { FREE = SLOT_FREE, NAMED, ABANDONED };

// Room for the temporary name: a directory near the path limit, and the name.
constexpr std::size_t TEMPORARY_PATH_ROOM = 1024;

struct Replacement {
    std::atomic<int> state{FREE};
    std::FILE* stream = nullptr;
    wchar_t temporaryPath[TEMPORARY_PATH_ROOM] = {};
    std::wstring target; // read by the program alone
};

constexpr int MAX_REPLACEMENTS = 8;
Replacement replacements[MAX_REPLACEMENTS];

Replacement* slotOf(std::FILE* stream) {
    return slotHolding(replacements, stream);
}

Replacement* freeSlot() {
    return freeSlotIn(replacements);
}

// Creates a file of a name nobody has yet, its name in the slot's path;
// sharing delete lets the control handler's thread remove it while it is
// still open. The slot is marked named before the file is made, so that the
// handler, whenever it runs, finds it; a file the handler removed before it
// stood is removed again here.
HANDLE createUnique(Replacement& slot, const std::wstring& prefix, DWORD attributes) {
    static unsigned sequence = 0;
    const std::wstring stem =
        prefix + L".pictoline-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring candidate = stem + std::to_wstring(++sequence);
        if (candidate.size() >= TEMPORARY_PATH_ROOM)
            return INVALID_HANDLE_VALUE;
        std::wmemcpy(slot.temporaryPath, candidate.c_str(), candidate.size() + 1);
        int expected = FREE;
        if (!slot.state.compare_exchange_strong(expected, NAMED))
            return INVALID_HANDLE_VALUE;
        const HANDLE handle = CreateFileW(slot.temporaryPath, GENERIC_WRITE, SHARE_ALL, nullptr,
                                          CREATE_NEW, attributes, nullptr);
        const DWORD error = GetLastError();
        if (handle != INVALID_HANDLE_VALUE && slot.state.load() != NAMED) {
            CloseHandle(handle);
            DeleteFileW(slot.temporaryPath);
            return INVALID_HANDLE_VALUE;
        }
        if (handle != INVALID_HANDLE_VALUE)
            return handle;
        slot.state.store(FREE);
        if (error != ERROR_FILE_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

void release(Replacement& slot) {
    if (slot.state.exchange(FREE) == NAMED)
        DeleteFileW(slot.temporaryPath);
    slot.stream = nullptr;
}

} // namespace

std::FILE* hostOpenForReading(const std::string& name) {
    std::FILE* stream = _wfopen(wideOf(name).c_str(), L"rb");
    if (stream != nullptr && GetFileType(handleOf(stream)) != FILE_TYPE_DISK) {
        std::fclose(stream);
        return nullptr;
    }
    return stream;
}

bool hostSeek(std::FILE* stream, std::int64_t position) {
    return _fseeki64(stream, position, SEEK_SET) == 0;
}

std::int64_t hostFileLength(std::FILE* stream) {
    LARGE_INTEGER size{};
    return GetFileSizeEx(handleOf(stream), &size) != 0 ? size.QuadPart : -1;
}

namespace {

// Whether a file of that name exists and a new file may not take its place.
bool refusesReplacement(const std::wstring& name) {
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return !isMissing(GetLastError());
    constexpr DWORD unwritable =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DEVICE;
    const bool refused = (attributes & unwritable) != 0 || !isDiskFile(name);
    // What the system says when it is asked to write such a file.
    if (refused)
        SetLastError(ERROR_ACCESS_DENIED);
    return refused;
}

// Notes the reason of a failed call: of the system's, or of the C runtime's.
void noteSystemFailure() {
    noteReplacementProblem(systemMessage(GetLastError()));
}
void noteRuntimeFailure() {
    noteReplacementProblem(std::strerror(errno));
}

// Makes the bytes durable, closes the stream and puts the file in place of
// its target.
bool commit(Replacement& slot) {
    const HANDLE handle = handleOf(slot.stream);
    bool durable = std::fflush(slot.stream) == 0;
    if (!durable) {
        noteRuntimeFailure();
    } else if (handle == INVALID_HANDLE_VALUE || FlushFileBuffers(handle) == 0) {
        noteSystemFailure();
        durable = false;
    }
    if (std::fclose(slot.stream) != 0) {
        if (durable)
            noteRuntimeFailure();
        durable = false;
    }
    if (durable && putInPlace(slot, NAMED, [&slot] {
            return MoveFileExW(slot.temporaryPath, slot.target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        }))
        return true;
    if (durable)
        noteSystemFailure();
    return false;
}

} // namespace

// Links are not followed on Windows: the name itself is replaced, and so
// never written through, whichever file it leads to.
std::FILE* hostStartReplacement(const std::string& name, const std::vector<std::FILE*>&) {
    Replacement* slot = freeSlot();
    const std::wstring target = wideOf(name);
    if (slot == nullptr || refusesReplacement(target)) {
        if (slot == nullptr)
            SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        noteSystemFailure();
        return nullptr;
    }
    const HANDLE handle = createUnique(*slot, directoryPrefix(target), keptAttributes(target));
    if (handle == INVALID_HANDLE_VALUE) {
        noteSystemFailure();
        return nullptr;
    }
    const int descriptor =
        _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (descriptor == -1) {
        noteRuntimeFailure();
        CloseHandle(handle);
        release(*slot);
        return nullptr;
    }
    std::FILE* stream = _fdopen(descriptor, "wb");
    if (stream == nullptr) {
        noteRuntimeFailure();
        _close(descriptor);
        release(*slot);
        return nullptr;
    }
    slot->stream = stream;
    slot->target = target;
    return stream;
}

bool hostFinishReplacement(std::FILE* stream, bool keep) {
    Replacement* slot = slotOf(stream);
    bool done = false;
    if (keep && slot != nullptr)
        done = commit(*slot);
    else
        std::fclose(stream);
    if (slot != nullptr)
        release(*slot);
    return done;
}

// Runs on the console's control handler thread too, with the file still open.
void hostRemoveUnfinishedReplacements() {
    for (Replacement& slot : replacements) {
        int state = NAMED;
        if (slot.state.compare_exchange_strong(state, ABANDONED))
            DeleteFileW(slot.temporaryPath);
    }
}

std::string hostNameAsText(const std::string& name) {
    const std::wstring wide = wideOf(name);
    if (wide.empty())
        return {};
    const UINT codePage = GetACP();
    const int length = static_cast<int>(wide.size());
    // Best-fit mapping would write a plain "a" for an "a" with a ring; some
    // code pages, UTF-8 among them, take neither option.
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* unshown = codePage == CP_UTF8 ? nullptr : "?";
    int size =
        WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, unshown, nullptr);
    if (size == 0) {
        flags = 0;
        unshown = nullptr;
        size = WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    if (size > 0 && WideCharToMultiByte(codePage, flags, wide.data(), length, text.data(), size,
                                        unshown, nullptr) == size)
        return text;
    // No conversion at all: ASCII stays, everything else is "?".
    text.clear();
    for (wchar_t c : wide)
        text += c < 128 ? static_cast<char>(c) : '?';
    return text;
}

std::string hostReadProblem(const std::string& name) {
    const std::wstring wide = wideOf(name);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return isMissing(GetLastError()) ? "No such file or directory" : "Cannot be read";
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return "Is a directory";
    const HANDLE handle =
        CreateFileW(wide.c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_ACCESS_DENIED ? "Permission denied" : "Cannot be read";
    const bool onDisk = GetFileType(handle) == FILE_TYPE_DISK;
    CloseHandle(handle);
    return onDisk ? "" : "Not a regular file";
}

std::string hostBaseName(const std::string& path) {
    const std::size_t end = path.find_last_of("/\\:");
    return end == std::string::npos ? path : path.substr(end + 1);
}

void hostAtExit(void (*function)()) {
    std::atexit(function);
}

bool hostIsBeingRead(const std::string& name, const std::vector<std::FILE*>& beingRead) {
    // The name itself, not what a link leads to: a link is replaced, never
    // written through.
    const HANDLE file =
        CreateFileW(wideOf(name).c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION named{};
    const bool known = GetFileInformationByHandle(file, &named) != 0;
    CloseHandle(file);
    for (std::FILE* stream : beingRead) {
        BY_HANDLE_FILE_INFORMATION read{};
        if (known && GetFileInformationByHandle(handleOf(stream), &read) != 0 &&
            read.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
            read.nFileIndexHigh == named.nFileIndexHigh &&
            read.nFileIndexLow == named.nFileIndexLow)
            return true;
    }
    return false;
}
