#include <direct.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "services/host.h"

struct HostSearchData {
    intptr_t handle = -1;
};

namespace {

// The runtime's attribute bits are those the directory services filter on, so
// they pass through unchanged; the entries keep the file system's own order.
HostEntry entryOf(const _finddata_t& found) {
    return {found.name, static_cast<std::uint32_t>(found.attrib)};
}

} // namespace

// The runtime's search reads the directory afresh each time, so a pass needs nothing.
void hostBeginDirectoryPass() {}

HostSearch hostFindFirst(const std::string& pattern, HostEntry& entry) {
    _finddata_t found{};
    const intptr_t handle = _findfirst(pattern.c_str(), &found);
    if (handle == -1)
        return nullptr;
    entry = entryOf(found);
    return new HostSearchData{handle};
}

bool hostFindNext(HostSearch search, HostEntry& entry) {
    if (search == nullptr)
        return false;
    _finddata_t found{};
    if (_findnext(search->handle, &found) != 0)
        return false;
    entry = entryOf(found);
    return true;
}

void hostFindClose(HostSearch search) {
    if (search == nullptr)
        return;
    _findclose(search->handle);
    delete search;
}

std::string hostCurrentDirectory() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        // The path's length when it fits; otherwise the room it needs, zero
        // included, and the directory may change again before the next try.
        const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0)
            return "";
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(length);
    }
}

bool hostChangeDirectory(const std::string& path) {
    return _chdir(path.c_str()) == 0;
}

char hostPathSeparator() {
    return '\\';
}

std::string hostStartDirectory() {
    return "c:/";
}
