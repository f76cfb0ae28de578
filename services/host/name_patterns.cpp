#include "services/host/name_patterns.h"

namespace {

unsigned char upper(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z')
        return static_cast<unsigned char>(byte - 'a' + 'A');
    return byte;
}

bool matchesWildcards(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || upper(pattern[p]) == upper(name[n]))) {
            ++p;
            ++n;
        } else if (starPattern != std::string_view::npos) {
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

// Whether name ends in ending, which is upper-cased already.
bool endsWith(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size())
        return false;
    const std::size_t from = name.size() - ending.size();
    for (std::size_t i = 0; i < ending.size(); ++i) {
        if (upper(name[from + i]) != static_cast<unsigned char>(ending[i]))
            return false;
    }
    return true;
}

} // namespace

NamePattern readPattern(std::string_view pattern) {
    if (pattern == "*")
        return {NamePattern::Kind::Every, std::string(pattern)};
    if (pattern.size() > 1 && pattern[0] == '*' &&
        pattern.find_first_of("*?", 1) == std::string_view::npos) {
        std::string ending(pattern.substr(1));
        for (char& c : ending)
            c = static_cast<char>(upper(c));
        return {NamePattern::Kind::Ending, ending};
    }
    return {NamePattern::Kind::Wildcards, std::string(pattern)};
}

bool matchesPattern(const NamePattern& pattern, std::string_view name) {
    switch (pattern.kind) {
    case NamePattern::Kind::Every:
        return true;
    case NamePattern::Kind::Ending:
        return endsWith(name, pattern.text);
    case NamePattern::Kind::Wildcards:
        break;
    }
    return matchesWildcards(pattern.text, name);
}
