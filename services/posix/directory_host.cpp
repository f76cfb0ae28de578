#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <string>
#include <vector>

#include "services/files.h"
#include "services/host.h"
#include "services/host_names.h"

struct HostSearchData {
    std::vector<HostEntry> entries;
    std::size_t next = 0;
};

namespace {

std::uint32_t attributesOfPath(const std::string& name) {
    struct stat info {};
    if (stat(name.c_str(), &info) != 0) {
        if (lstat(name.c_str(), &info) != 0 || S_ISLNK(info.st_mode))
            return ATTRIBUTE_OTHER;
    }
    return attributesOf(S_ISDIR(info.st_mode), S_ISREG(info.st_mode), name);
}

bool isDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

} // namespace

HostSearch hostFindFirst(const std::string& pattern, HostEntry& entry) {
    DIR* directory = opendir(".");
    if (directory == nullptr)
        return nullptr;
    auto* search = new HostSearchData;
    while (const dirent* item = readdir(directory)) {
        std::string name = item->d_name;
        if (!matchesPattern(pattern, name))
            continue;
        HostEntry found;
        found.attributes = attributesOfPath(name);
        found.name = std::move(name);
        search->entries.push_back(std::move(found));
    }
    closedir(directory);
    std::sort(search->entries.begin(), search->entries.end(),
              [](const HostEntry& a, const HostEntry& b) {
                  const bool aDot = isDotEntry(a.name);
                  const bool bDot = isDotEntry(b.name);
                  if (aDot != bDot)
                      return aDot;
                  if (aDot)
                      return a.name.size() < b.name.size();
                  return compareNamesLikeNtfs(a.name, b.name) < 0;
              });
    if (search->entries.empty()) {
        delete search;
        return nullptr;
    }
    entry = search->entries[0];
    search->next = 1;
    return search;
}

bool hostFindNext(HostSearch search, HostEntry& entry) {
    if (search == nullptr || search->next >= search->entries.size())
        return false;
    entry = search->entries[search->next++];
    return true;
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
