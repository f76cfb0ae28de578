// A directory host over a list of entries held in memory, so that a test can
// browse a directory of any size or with any names at no cost.

#include "tests/fakes/fake_directory.h"

#include "services/host/host.h"
#include "services/host/name_patterns.h"

namespace {

FakeDirectory directory;

} // namespace

struct HostSearchData {
    NamePattern pattern;
    std::size_t next = 0;
};

void setFakeDirectory(FakeDirectory entries) {
    directory = std::move(entries);
}

HostSearch hostFindFirst(const std::string& pattern, HostEntry& entry) {
    auto* search = new HostSearchData{readPattern(pattern), 0};
    if (!hostFindNext(search, entry)) {
        delete search;
        return nullptr;
    }
    return search;
}

bool hostFindNext(HostSearch search, HostEntry& entry) {
    while (search != nullptr && search->next < directory.entries.size()) {
        const HostEntry& candidate = directory.entries[search->next++];
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

// Nothing to share between listings: the entries are in memory.
void hostBeginDirectoryPass() {}

std::string hostCurrentDirectory() {
    return directory.path;
}
bool hostChangeDirectory(const std::string&) {
    return false;
}
char hostPathSeparator() {
    return '/';
}
std::string hostStartDirectory() {
    return {};
}
