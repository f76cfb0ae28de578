#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "services/host.h"
#include "services/posix/directory_snapshot.h"
#include "services/posix/host_names.h"

namespace {

// The snapshot the listings share, and whether the pass in progress has
// already looked at the directory: the listings of one pass show one instant.
struct DirectoryHost {
    std::shared_ptr<DirectorySnapshot> snapshot;
    bool passLooked = false;
};

DirectoryHost host;

// How many entries ahead of the one handed out a listing asks the memory
// for: names lie in the order the directory gave them, not in listing order.
constexpr std::size_t PREFETCH_AHEAD = 16;

void releaseSnapshot(DirectorySnapshot* snapshot) {
    closeSnapshot(*snapshot);
    delete snapshot;
}

// Reads the directory again; the last snapshot goes first, unless a listing
// still holds it, so that two are seldom in memory at once.
std::shared_ptr<const DirectorySnapshot> readAgain() {
    host.snapshot = nullptr;
    std::shared_ptr<DirectorySnapshot> fresh(new DirectorySnapshot, releaseSnapshot);
    if (!readSnapshot(*fresh))
        return nullptr;
    host.snapshot = std::move(fresh);
    host.passLooked = true;
    return host.snapshot;
}

// The snapshot of the current directory for a listing: the pass's own once
// it has one, otherwise the last one while the directory is unchanged and
// quiet, otherwise a fresh read.
std::shared_ptr<const DirectorySnapshot> currentSnapshot() {
    struct stat info {};
    if (stat(".", &info) != 0)
        return nullptr;
    if (host.snapshot == nullptr || !isSameDirectory(*host.snapshot, info))
        return readAgain();
    if (host.passLooked)
        return host.snapshot;
    if (!stillCurrent(*host.snapshot, info))
        return readAgain();
    refreshLinks(*host.snapshot);
    host.passLooked = true;
    return host.snapshot;
}

} // namespace

struct HostSearchData {
    std::shared_ptr<const DirectorySnapshot> snapshot;
    NamePattern pattern;
    std::size_t next = 0;
};

void hostBeginDirectoryPass() {
    host.passLooked = false;
}

HostSearch hostFindFirst(const std::string& pattern, HostEntry& entry) {
    std::shared_ptr<const DirectorySnapshot> snapshot = currentSnapshot();
    if (snapshot == nullptr)
        return nullptr;
    auto* search = new HostSearchData{std::move(snapshot), readPattern(pattern), 0};
    if (!hostFindNext(search, entry)) {
        delete search;
        return nullptr;
    }
    return search;
}

// Hands out the next matching name; the entry's own text is reused, so no
// name costs an allocation of its own.
bool hostFindNext(HostSearch search, HostEntry& entry) {
    if (search == nullptr)
        return false;
    const DirectorySnapshot& snapshot = *search->snapshot;
    while (search->next < entryCount(snapshot)) {
        const std::size_t position = search->next++;
        prefetchEntry(snapshot, position + PREFETCH_AHEAD);
        const std::string_view name = nameAt(snapshot, position);
        if (matchesPattern(search->pattern, name)) {
            entry.name.assign(name);
            entry.attributes = attributesAt(snapshot, position);
            return true;
        }
    }
    return false;
}

void hostFindClose(HostSearch search) {
    delete search;
}

std::string hostCurrentDirectory() {
    std::vector<char> buffer(256);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size()) != nullptr)
            return buffer.data();
        if (errno != ERANGE)
            return "";
        buffer.resize(buffer.size() * 2);
    }
}

bool hostChangeDirectory(const std::string& path) {
    return chdir(path.c_str()) == 0;
}

char hostPathSeparator() {
    return '/';
}

// On POSIX the program stays in the directory it was started from.
std::string hostStartDirectory() {
    return {};
}
