#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "services/files.h"
#include "services/host.h"
#include "services/host_names.h"

namespace {

// Every entry of one directory, in listing order, with the key it sorts by.
struct Snapshot {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    timespec taken{};
    std::vector<HostEntry> entries;
    // Entries that are symbolic links: what they lead to can change without
    // the directory changing, so their attributes are read again on reuse.
    std::vector<std::size_t> links;
};

// A directory whose entries were last changed this long before a snapshot
// was taken keeps that snapshot until its modification time moves: longer
// than the coarsest timestamp granularity of common file systems.
constexpr time_t QUIET_SECONDS = 3;

// The last snapshot; the four listings of a redraw, and the redraws after
// them, share it while the directory stays as it was.
std::shared_ptr<Snapshot> lastSnapshot;

std::uint32_t attributesOfPath(const std::string& name) {
    struct stat info {};
    if (stat(name.c_str(), &info) != 0) {
        if (lstat(name.c_str(), &info) != 0 || S_ISLNK(info.st_mode))
            return ATTRIBUTE_OTHER;
    }
    return attributesOf(S_ISDIR(info.st_mode), S_ISREG(info.st_mode), name);
}

// The attributes of a directory entry; the entry's own type spares a stat
// of everything but links and file systems that do not report it.
std::uint32_t attributesOfEntry(const dirent& item, const std::string& name) {
    switch (item.d_type) {
    case DT_DIR:
        return attributesOf(true, false, name);
    case DT_REG:
        return attributesOf(false, true, name);
    case DT_LNK:
    case DT_UNKNOWN:
        return attributesOfPath(name);
    default:
        return ATTRIBUTE_OTHER;
    }
}

bool isDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool stillCurrent(const Snapshot& snapshot, const struct stat& directory) {
    return snapshot.device == directory.st_dev && snapshot.inode == directory.st_ino &&
           sameTime(snapshot.modified, directory.st_mtim) &&
           snapshot.modified.tv_sec + QUIET_SECONDS < snapshot.taken.tv_sec;
}

struct Item {
    HostEntry entry;
    bool link = false;
};

// "." and ".." first, then the order NTFS gives: upper-cased bytes, then raw.
void sortItems(std::vector<Item>& items) {
    struct Keyed {
        bool dot;
        std::string key;
        Item* item;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(items.size());
    for (Item& item : items) {
        std::string key = item.entry.name;
        for (char& c : key) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        }
        keyed.push_back({isDotEntry(item.entry.name), std::move(key), &item});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.dot != b.dot)
            return a.dot;
        const std::string& aName = a.item->entry.name;
        const std::string& bName = b.item->entry.name;
        if (a.dot)
            return aName.size() < bName.size();
        if (const int byKey = a.key.compare(b.key); byKey != 0)
            return byKey < 0;
        return aName < bName;
    });
    std::vector<Item> sorted;
    sorted.reserve(items.size());
    for (Keyed& item : keyed)
        sorted.push_back(std::move(*item.item));
    items = std::move(sorted);
}

std::shared_ptr<Snapshot> takeSnapshot(const struct stat& info) {
    DIR* directory = opendir(".");
    if (directory == nullptr)
        return nullptr;
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->device = info.st_dev;
    snapshot->inode = info.st_ino;
    snapshot->modified = info.st_mtim;
    clock_gettime(CLOCK_REALTIME, &snapshot->taken);
    std::vector<Item> items;
    while (const dirent* found = readdir(directory)) {
        Item item;
        item.entry.name = found->d_name;
        item.entry.attributes = attributesOfEntry(*found, item.entry.name);
        item.link = found->d_type == DT_LNK || found->d_type == DT_UNKNOWN;
        items.push_back(std::move(item));
    }
    closedir(directory);
    sortItems(items);
    snapshot->entries.reserve(items.size());
    for (Item& item : items) {
        if (item.link)
            snapshot->links.push_back(snapshot->entries.size());
        snapshot->entries.push_back(std::move(item.entry));
    }
    return snapshot;
}

std::shared_ptr<const Snapshot> currentSnapshot() {
    struct stat info {};
    if (stat(".", &info) != 0)
        return nullptr;
    if (lastSnapshot == nullptr || !stillCurrent(*lastSnapshot, info)) {
        lastSnapshot = takeSnapshot(info);
    } else {
        for (std::size_t i : lastSnapshot->links)
            lastSnapshot->entries[i].attributes = attributesOfPath(lastSnapshot->entries[i].name);
    }
    return lastSnapshot;
}

} // namespace

struct HostSearchData {
    std::shared_ptr<const Snapshot> snapshot;
    std::string pattern;
    std::size_t next = 0;
};

HostSearch hostFindFirst(const std::string& pattern, HostEntry& entry) {
    std::shared_ptr<const Snapshot> snapshot = currentSnapshot();
    if (snapshot == nullptr)
        return nullptr;
    auto* search = new HostSearchData{snapshot, pattern, 0};
    if (!hostFindNext(search, entry)) {
        delete search;
        return nullptr;
    }
    return search;
}

bool hostFindNext(HostSearch search, HostEntry& entry) {
    if (search == nullptr)
        return false;
    const std::vector<HostEntry>& entries = search->snapshot->entries;
    while (search->next < entries.size()) {
        const HostEntry& candidate = entries[search->next++];
        if (matchesPattern(search->pattern, candidate.name)) {
            entry = candidate;
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
std::string hostStartDirectory() { return {}; }
