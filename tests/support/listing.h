#pragma once

// What the file-service tests read back: listings and leftover temporary files.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "services/files.h"

using Names = std::vector<std::string>;

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
