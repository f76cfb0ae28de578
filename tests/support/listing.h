#pragma once

// What the file-service tests read back: listings and leftover temporary files.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "services/files.h"

using Names = std::vector<std::string>;

// The order NTFS gives, as plainly as it can be said: negative, zero or
// positive as a sorts before, with or after b; upper-cased ASCII bytes first,
// raw bytes to break ties. The listings' own sort is checked against it.
inline int compareNamesLikeNtfs(const std::string& a, const std::string& b) {
    const auto upper = [](char c) {
        const auto letter = static_cast<unsigned char>(c);
        return letter >= 'a' && letter <= 'z' ? static_cast<unsigned char>(letter - 'a' + 'A')
                                              : letter;
    };
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (upper(a[i]) != upper(b[i]))
            return upper(a[i]) < upper(b[i]) ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int raw = a.compare(b);
    return raw < 0 ? -1 : (raw > 0 ? 1 : 0);
}

// Every name a listing gives, in the host's order.
inline Names listAll(const std::string& pattern, std::uint32_t mask) {
    Names names;
    for (Text name = listDirectory(pattern, mask); !name.empty(); name = listDirectory("", mask))
        names.push_back(name);
    return names;
}

// The same, sorted, for hosts whose order is their own.
inline Names sortedListing(const std::string& pattern, std::uint32_t mask) {
    Names names = listAll(pattern, mask);
    std::sort(names.begin(), names.end());
    return names;
}

inline Names temporaryFilesIn(const std::filesystem::path& directory) {
    Names found;
    for (const auto& item : std::filesystem::directory_iterator(directory)) {
        const std::string name = item.path().filename().string();
        if (name.rfind(".pictoline-", 0) == 0)
            found.push_back(name);
    }
    return found;
}
