#pragma once

// Name rules the host searches share: wildcard matching, the order of a
// listing, and the attribute bits of an entry.

#include <cstdint>
#include <string>

// '*' matches any run of characters (none included), '?' exactly one; ASCII
// letters match regardless of case.
bool matchesPattern(const std::string& pattern, const std::string& name);
// Negative, zero or positive as a sorts before, with or after b: upper-cased
// ASCII bytes first, raw bytes to break ties.
int compareNamesLikeNtfs(const std::string& a, const std::string& b);
std::uint32_t attributesOf(bool isDirectory, bool isRegular, const std::string& name);
