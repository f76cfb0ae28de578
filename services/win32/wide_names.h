#pragma once

// Names on Windows: the system holds them as UTF-16, the logic as UTF-8.
// The conversion is lossless both ways, a lone surrogate included (it takes
// the three bytes UTF-8 would give its code point), so every name the
// system lists can be opened and entered again.

#include <string>

std::string utf8Of(const std::wstring& wide);
// The inverse of utf8Of; a byte that is no such UTF-8 becomes U+FFFD.
std::wstring wideOf(const std::string& utf8);
// The absolute path of the current directory; empty when it cannot be told.
std::wstring currentDirectoryWide();
