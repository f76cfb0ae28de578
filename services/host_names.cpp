#include "services/host_names.h"

#include "services/files.h"

namespace {

unsigned char upper(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z')
        return static_cast<unsigned char>(byte - 'a' + 'A');
    return byte;
}

bool isDotName(const std::string& name) {
    return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

} // namespace

bool matchesPattern(const std::string& pattern, const std::string& name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starPattern = std::string::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || upper(pattern[p]) == upper(name[n]))) {
            ++p;
            ++n;
        } else if (starPattern != std::string::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

int compareNamesLikeNtfs(const std::string& a, const std::string& b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = upper(a[i]);
        const unsigned char y = upper(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int raw = a.compare(b);
    return raw < 0 ? -1 : (raw > 0 ? 1 : 0);
}

std::uint32_t attributesOf(bool isDirectory, bool isRegular, const std::string& name) {
    std::uint32_t attributes = 0;
    if (isDirectory)
        attributes = ATTRIBUTE_DIRECTORY;
    else if (isRegular)
        attributes = ATTRIBUTE_ARCHIVE;
    else
        return ATTRIBUTE_OTHER;
    if (isDotName(name))
        attributes |= ATTRIBUTE_HIDDEN;
    return attributes;
}
