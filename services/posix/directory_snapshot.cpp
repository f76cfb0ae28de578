#include "services/posix/directory_snapshot.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "services/host/host.h"
#include "services/posix/host_names.h"

namespace {

// A directory whose entries were last changed this long before a snapshot
// was taken keeps that snapshot until its modification time moves: longer
// than the coarsest timestamp granularity of common file systems.
constexpr time_t QUIET_SECONDS = 3;

// The sizes of a directory, in bytes, that are taken as the room to reserve
// for its entries; outside them the block grows as it must.
constexpr off_t RESERVE_FROM = 64 << 10;
constexpr off_t RESERVE_LIMIT = 64 << 20;
// Fewer bytes than any file system's directory spends on one entry.
constexpr std::size_t SMALLEST_ENTRY_BYTES = 16;

// The most bytes the block of entries holds: its starts are 32-bit.
constexpr std::size_t ENTRIES_LIMIT = std::numeric_limits<std::uint32_t>::max();
// Before each name in the block: its attribute bits in one byte, then its
// length in two, low byte first. After it: a zero byte.
constexpr std::size_t HEADER_BYTES = 3;
constexpr std::ptrdiff_t ATTRIBUTES_AT = -3;
constexpr std::ptrdiff_t LENGTH_AT = -2;
constexpr std::size_t LONGEST_NAME = 0xFFFF;

std::uint8_t attributesOfStatus(const struct stat& info, std::string_view name) {
    return static_cast<std::uint8_t>(
        attributesOf(S_ISDIR(info.st_mode), S_ISREG(info.st_mode), name));
}

// The attributes of what a name leads to, a symbolic link followed.
std::uint8_t attributesOfTarget(int directory, const char* name) {
    struct stat info {};
    if (fstatat(directory, name, &info, 0) != 0)
        return ATTRIBUTE_OTHER;
    return attributesOfStatus(info, name);
}

// The attributes of a directory entry, and whether it is a symbolic link;
// the entry's own type spares a stat of everything but links and file
// systems that do not report it.
std::uint8_t attributesOfEntry(int directory, const dirent& item, bool& link) {
    link = item.d_type == DT_LNK;
    switch (item.d_type) {
    case DT_DIR:
        return static_cast<std::uint8_t>(attributesOf(true, false, item.d_name));
    case DT_REG:
        return static_cast<std::uint8_t>(attributesOf(false, true, item.d_name));
    case DT_LNK:
        return attributesOfTarget(directory, item.d_name);
    case DT_UNKNOWN:
        break;
    default:
        return ATTRIBUTE_OTHER;
    }
    struct stat info {};
    if (fstatat(directory, item.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return ATTRIBUTE_OTHER;
    link = S_ISLNK(info.st_mode);
    return link ? attributesOfTarget(directory, item.d_name)
                : attributesOfStatus(info, item.d_name);
}

void startSnapshot(DirectorySnapshot& snapshot, int directory, const struct stat& info) {
    snapshot.directory = directory;
    snapshot.device = info.st_dev;
    snapshot.inode = info.st_ino;
    snapshot.modified = info.st_mtim;
    // Without the time of the read the snapshot is never trusted again.
    if (clock_gettime(CLOCK_REALTIME, &snapshot.taken) != 0)
        snapshot.taken = {};
    snapshot.complete = false;
}

// Room for the entries of a directory of the given size in bytes, which is
// more than they take on common file systems, so that the block seldom has
// to move while it grows; pages never written take no memory.
void reserveFor(DirectorySnapshot& snapshot, off_t directorySize) {
    if (directorySize < RESERVE_FROM || directorySize > RESERVE_LIMIT)
        return;
    const auto bytes = static_cast<std::size_t>(directorySize);
    snapshot.entries.reserve(bytes);
    snapshot.starts.reserve(bytes / SMALLEST_ENTRY_BYTES);
}

// Appends one entry to the block; false when the block cannot hold it.
bool appendEntry(DirectorySnapshot& snapshot, std::string_view name, std::uint8_t attributes,
                 bool link) {
    const std::size_t length = name.size();
    if (length > LONGEST_NAME ||
        snapshot.entries.size() + HEADER_BYTES + length + 1 > ENTRIES_LIMIT)
        return false;
    const char header[HEADER_BYTES] = {static_cast<char>(attributes),
                                       static_cast<char>(length & 0xFF),
                                       static_cast<char>(length >> 8)};
    snapshot.entries.append(header, HEADER_BYTES);
    const auto start = static_cast<std::uint32_t>(snapshot.entries.size());
    snapshot.entries.append(name);
    snapshot.entries.push_back('\0');
    snapshot.starts.push_back(start);
    if (link)
        snapshot.links.push_back(start);
    return true;
}

// Appends every entry in the order the directory gives them; false when the
// read stopped on an error or on an entry the block cannot hold.
bool readEntries(DirectorySnapshot& snapshot, DIR* directory) {
    const int descriptor = dirfd(directory);
    for (;;) {
        errno = 0;
        const dirent* item = readdir(directory);
        if (item == nullptr)
            return errno == 0;
        bool link = false;
        const std::uint8_t attributes = attributesOfEntry(descriptor, *item, link);
        if (!appendEntry(snapshot, item->d_name, attributes, link))
            return false;
    }
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

std::size_t entryCount(const DirectorySnapshot& snapshot) {
    return snapshot.starts.size();
}

std::string_view nameAt(const DirectorySnapshot& snapshot, std::size_t position) {
    const char* name = snapshot.entries.data() + snapshot.starts[position];
    const std::size_t length =
        static_cast<unsigned char>(name[LENGTH_AT]) |
        static_cast<std::size_t>(static_cast<unsigned char>(name[LENGTH_AT + 1])) << 8;
    return {name, length};
}

std::uint32_t attributesAt(const DirectorySnapshot& snapshot, std::size_t position) {
    return static_cast<unsigned char>(snapshot.entries[snapshot.starts[position] + ATTRIBUTES_AT]);
}

void prefetchEntry(const DirectorySnapshot& snapshot, std::size_t position) {
    if (position < snapshot.starts.size())
        __builtin_prefetch(snapshot.entries.data() + snapshot.starts[position] + ATTRIBUTES_AT);
}

bool readSnapshot(DirectorySnapshot& snapshot) {
    const int directory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0)
        return false;
    struct stat info {};
    DIR* entries = nullptr;
    if (fstat(directory, &info) == 0) {
        // The stream closes its own descriptor; the snapshot keeps the first.
        const int reading = dup(directory);
        entries = reading < 0 ? nullptr : fdopendir(reading);
        if (entries == nullptr && reading >= 0)
            close(reading);
    }
    if (entries == nullptr) {
        close(directory);
        return false;
    }
    startSnapshot(snapshot, directory, info);
    reserveFor(snapshot, info.st_size);
    const bool complete = readEntries(snapshot, entries);
    closedir(entries);
    sortIntoListingOrder(snapshot.entries, snapshot.starts);
    snapshot.complete = complete;
    return true;
}

void takeWayUpOnly(DirectorySnapshot& snapshot) {
    appendEntry(snapshot, ".", ATTRIBUTE_DIRECTORY, false);
    appendEntry(snapshot, "..", ATTRIBUTE_DIRECTORY, false);
    snapshot.complete = false;
}

void closeSnapshot(DirectorySnapshot& snapshot) {
    if (snapshot.directory >= 0)
        close(snapshot.directory);
    snapshot.directory = -1;
}

bool isSameDirectory(const DirectorySnapshot& snapshot, const struct stat& info) {
    return snapshot.device == info.st_dev && snapshot.inode == info.st_ino;
}

bool stillCurrent(const DirectorySnapshot& snapshot, const struct stat& info) {
    return snapshot.complete && isSameDirectory(snapshot, info) &&
           sameTime(snapshot.modified, info.st_mtim) &&
           snapshot.modified.tv_sec + QUIET_SECONDS < snapshot.taken.tv_sec;
}

void refreshLinks(DirectorySnapshot& snapshot) {
    for (std::uint32_t start : snapshot.links) {
        const std::uint8_t attributes = attributesOfTarget(AT_FDCWD, &snapshot.entries[start]);
        snapshot.entries[start + ATTRIBUTES_AT] = static_cast<char>(attributes);
    }
}
