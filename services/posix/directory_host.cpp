#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "services/host/host.h"
#include "services/host/name_patterns.h"
#include "services/posix/directory_snapshot.h"
#include "services/posix/host_names.h"

namespace {

// The snapshot the listings share, and whether the pass in progress has
// already looked at the directory: the listings of one pass show one instant.
// The path last told is what the current directory is called once it is gone.
struct DirectoryHost {
    std::shared_ptr<DirectorySnapshot> snapshot;
    bool passLooked = false;
    std::string lastPath;
};

DirectoryHost host;

// How many entries ahead of the one handed out a listing asks the memory
// for: names lie in the order the directory gave them, not in listing order.
constexpr std::size_t PREFETCH_AHEAD = 16;

void releaseSnapshot(DirectorySnapshot* snapshot) {
    closeSnapshot(*snapshot);
    delete snapshot;
}

// "." and ".." alone, for a directory that cannot be read or is gone.
std::shared_ptr<const DirectorySnapshot> wayUpOnly() {
    std::shared_ptr<DirectorySnapshot> snapshot(new DirectorySnapshot, releaseSnapshot);
    takeWayUpOnly(*snapshot);
    return snapshot;
}

// Reads the directory again, or offers the way up alone when it cannot be
// read; the last snapshot goes first, unless a listing still holds it, so
// that two are seldom in memory at once.
std::shared_ptr<const DirectorySnapshot> readAgain() {
    host.snapshot = nullptr;
    std::shared_ptr<DirectorySnapshot> fresh(new DirectorySnapshot, releaseSnapshot);
    if (!readSnapshot(*fresh))
        return wayUpOnly();
    host.snapshot = std::move(fresh);
    host.passLooked = true;
    return host.snapshot;
}

// The status of the current directory; false when it cannot be read or the
// directory was removed: its entries, "." and ".." included, are gone, though
// a process may still stand in it.
bool currentExists(struct stat& info) {
    return stat(".", &info) == 0 && info.st_nlink != 0;
}

bool currentIsGone() {
    struct stat info {};
    return !currentExists(info);
}

// The snapshot of the current directory for a listing: the pass's own once
// it has one, otherwise the last one while the directory is unchanged and
// quiet, otherwise a fresh read; a way up alone where there is nothing to read.
std::shared_ptr<const DirectorySnapshot> currentSnapshot() {
    struct stat info {};
    if (!currentExists(info))
        return wayUpOnly();
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

// The path of the current directory; once it is gone, the path it had.
std::string hostCurrentDirectory() {
    std::vector<char> buffer(256);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size()) != nullptr)
            return host.lastPath = buffer.data();
        if (errno != ERANGE)
            return host.lastPath;
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

// The path one level above path: "/" above "/a" and above "/".
std::string parentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

// Whether the program now stands in the directory of that path: not in
// whatever took its name (a link, a new directory).
bool standsIn(const std::string& path) {
    char here[PATH_MAX];
    return !currentIsGone() && getcwd(here, sizeof here) != nullptr && path == here;
}

// Up from a directory that is gone, with no path ever told for it: ".." by
// "..", which the system still follows, until a directory that is not gone.
bool climbOutOfGone() {
    constexpr int MOST_LEVELS = 4096;
    for (int level = 0; level < MOST_LEVELS; ++level) {
        if (chdir("..") != 0)
            return false;
        if (!currentIsGone())
            return true;
    }
    return false;
}

} // namespace

// ".." from a directory that is gone (whose ".." may be gone too), or whose
// parent cannot be entered, leads to the nearest directory above it that can.
bool hostChangeDirectory(const std::string& path) {
    const bool up = path == "..";
    if (chdir(path.c_str()) == 0 && !(up && currentIsGone()))
        return true;
    if (!up)
        return false;
    if (host.lastPath.empty() || host.lastPath[0] != '/')
        return climbOutOfGone();
    for (std::string above = parentOf(host.lastPath);; above = parentOf(above)) {
        if (chdir(above.c_str()) == 0 && standsIn(above))
            return true;
        if (above == "/")
            return false;
    }
}

char hostPathSeparator() {
    return '/';
}

// On POSIX the program stays in the directory it was started from.
std::string hostStartDirectory() {
    return {};
}
