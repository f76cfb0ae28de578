#pragma once

// The name patterns of directory searches ("*", "*.bmp"), for the hosts that
// match names themselves: the POSIX directory host and the tests' directory.

#include <string>
#include <string_view>

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
