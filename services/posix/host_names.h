#pragma once

// Name rules the host searches share: wildcard matching, the order of a
// listing, and the attribute bits of an entry.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A name pattern: '*' matches any run of characters (none included), '?'
// exactly one; ASCII letters match regardless of case. It is read once for
// the many names of a listing: "*" takes every name, and a star before plain
// text ("*.bmp") compares only the ending.
struct NamePattern {
    enum class Kind { Every, Ending, Wildcards };
    Kind kind = Kind::Every;
    std::string text;
};
NamePattern readPattern(std::string_view pattern);
bool matchesPattern(const NamePattern& pattern, std::string_view name);

// Sorts starts, each the place in bytes of a name that ends with a zero
// byte, into listing order: "." and ".." first, then the rest in the order
// NTFS gives, compared byte by byte after upper-casing ASCII letters, ties
// broken by the raw bytes.
void sortIntoListingOrder(std::string_view bytes, std::vector<std::uint32_t>& starts);

std::uint32_t attributesOf(bool isDirectory, bool isRegular, std::string_view name);
