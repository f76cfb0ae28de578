#pragma once

// Names as the logic sees them on Windows: in the console's code page, "?"
// for what it cannot show. The real name behind every entry name handed out
// for the current directory is kept, so that each listed bitmap can be opened
// and each listed folder entered, whatever its name.

#include <string>

// The shown form of a directory entry of the current directory. Real names
// that would show the same are told apart: the second shows with "~2" before
// its extension, the third with "~3", and so on.
std::string shownEntryName(const std::wstring& realName);
// Forgets the entry names of any other directory than this one.
void keepEntryNamesOf(const std::wstring& directory);
// The shown form of any other text, such as a path.
std::string shownText(const std::wstring& text);
// The real name behind a name from the logic: an entry name handed out for
// the current directory, such a name followed by more (the data file's
// ".txt"), or else the text read in the shown code page.
std::wstring realName(const std::string& name);
// The absolute path of the current directory; empty when it cannot be told.
std::wstring currentDirectoryWide();
