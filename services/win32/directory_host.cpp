#include <windows.h>

#include <string>

#include "services/host/host.h"
#include "services/win32/listed_attributes.h"
#include "services/win32/wide_names.h"

struct HostSearchData {
    HANDLE handle = INVALID_HANDLE_VALUE;
};

namespace {

// The entries keep the file system's own order.
HostEntry entryOf(const WIN32_FIND_DATAW& found) {
    return {utf8Of(found.cFileName), listedAttributes(found.dwFileAttributes)};
}

} // namespace

// The runtime's search reads the directory afresh each time, so a pass needs nothing.
void hostBeginDirectoryPass() {}

HostSearch hostFindFirst(const std::string& pattern, HostEntry& entry) {
    WIN32_FIND_DATAW found{};
    const HANDLE handle = FindFirstFileW(wideOf(pattern).c_str(), &found);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    entry = entryOf(found);
    return new HostSearchData{handle};
}

bool hostFindNext(HostSearch search, HostEntry& entry) {
    if (search == nullptr)
        return false;
    WIN32_FIND_DATAW found{};
    if (!FindNextFileW(search->handle, &found))
        return false;
    entry = entryOf(found);
    return true;
}

void hostFindClose(HostSearch search) {
    if (search == nullptr)
        return;
    FindClose(search->handle);
    delete search;
}

std::string hostCurrentDirectory() {
    return utf8Of(currentDirectoryWide());
}

bool hostChangeDirectory(const std::string& path) {
    return SetCurrentDirectoryW(wideOf(path).c_str()) != 0;
}

char hostPathSeparator() {
    return '\\';
}
