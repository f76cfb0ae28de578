#pragma once

// One read of the current directory: every entry's name and attribute bits,
// in listing order, and when a later listing may still use them.

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

struct DirectorySnapshot {
    // The directory read, held open while the snapshot lives so that its
    // device and inode cannot pass to another directory in the meantime.
    int directory = -1;
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    timespec taken{};
    // False when the read stopped on an error: what it gave is listed, but
    // the next pass reads again.
    bool complete = false;
    // Every entry in one block, in the order the directory gave them: its
    // attribute bits and its name's length, then the name and a zero byte,
    // so that the name can be handed to the system as it is.
    std::string entries;
    // Where each entry's name starts, in listing order.
    std::vector<std::uint32_t> starts;
    // Where the names of symbolic links start: what they lead to can change
    // without the directory changing.
    std::vector<std::uint32_t> links;
};

std::size_t entryCount(const DirectorySnapshot& snapshot);
std::string_view nameAt(const DirectorySnapshot& snapshot, std::size_t position);
std::uint32_t attributesAt(const DirectorySnapshot& snapshot, std::size_t position);
// Starts bringing an entry into the cache, if there is one at position.
void prefetchEntry(const DirectorySnapshot& snapshot, std::size_t position);

// Reads the current directory into an empty snapshot; false when the
// directory cannot be opened.
bool readSnapshot(DirectorySnapshot& snapshot);
// Makes an empty snapshot hold "." and ".." alone: what a directory that
// cannot be read, or no longer exists, lists, so that a way up is offered.
void takeWayUpOnly(DirectorySnapshot& snapshot);
// Lets go of the directory a snapshot holds open.
void closeSnapshot(DirectorySnapshot& snapshot);
bool isSameDirectory(const DirectorySnapshot& snapshot, const struct stat& info);
// Whether the directory, now of status info, is still as the snapshot shows it:
// its time unchanged, and the read made well after its last change, so that no
// change in the same tick of its clock can have been missed.
bool stillCurrent(const DirectorySnapshot& snapshot, const struct stat& info);
// Asks again where the symbolic links lead.
void refreshLinks(DirectorySnapshot& snapshot);
