#pragma once

// Directory listings, the current directory, and the table of numbered files.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "services/host/file_attributes.h"
#include "services/textforms.h"

inline constexpr int FILE_NUMBER_COUNT = 254;
inline constexpr int DATA_FILE_NUMBER = 2;
inline constexpr std::size_t FILE_BUFFER_SIZE = 8192;

enum class FileMode { Binary, Output };

// The masks the browser lists with: directories (those with no other
// attribute), and files that are read-only, hidden, system or archive.
inline constexpr std::uint32_t DIRECTORY_MASK = ATTRIBUTE_DIRECTORY;
inline constexpr std::uint32_t FILE_MASK =
    ATTRIBUTE_READ_ONLY | ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM | ATTRIBUTE_ARCHIVE;
static_assert(DIRECTORY_MASK == 16 && FILE_MASK == 39);

// Result codes of the file operations.
inline constexpr int FILE_OK = 0;
inline constexpr int FILE_NOT_OPEN = 1; // or, for openFile, already open
inline constexpr int FILE_OPEN_FAILED = 2;
inline constexpr int FILE_SHORT_WRITE = 3;
// A read found the end of the file; what it could not read reads as 0.
inline constexpr int FILE_PAST_END = 4;

// Begins a pass of listings that see the directory as one instant: until the
// next pass, every listing of the same current directory shows the directory
// as the first of them found it. A redraw of the browser is one pass.
void beginDirectoryPass();
Text listDirectory(const Text& pattern, std::uint32_t mask);
Text currentDirectory();
int changeDirectory(const Text& path);

int freeFileNumber();
int openFile(const Text& name, FileMode mode, int number);
// Whether name itself is a file open for reading, which a data file of that
// name would take the place of.
bool isBeingRead(const Text& name);
// Opens standard output for output under number, its bytes written as they are.
int openStandardOutput(int number);
int readByte(int number, std::uint8_t& byte);
// count bytes read one after the other, as readByte reads them; what is
// past the end reads as 0.
int readBytes(int number, std::uint8_t* bytes, std::size_t count);
// Moves past count bytes of a file open for reading by a seek, whatever the
// count; reading on past the end then gives FILE_PAST_END.
int skipBytes(int number, std::uint64_t count);
int writeText(int number, const char* bytes, std::size_t count);
int closeFile(int number);
// Closes a file and keeps nothing of what was written to it: an output file
// is never put in place.
int discardFile(int number);
// Why the output file that last failed to open, to be written or to close
// could not be written, in the system's words ("Permission denied"); empty
// when the system gave no reason.
Text writeProblem();
void closeAllFiles();
std::size_t fileColumn(int number);
// The length in bytes of an open file, or -1; the position does not change.
std::int64_t fileLength(int number);
// The directory the program starts in, or the empty text to stay where it was started.
Text startDirectory();
// The host's separator between a directory and a name.
Text pathSeparator();
// A name as the program's text files hold it (the data file's "originalname").
Text nameAsText(const Text& name);
// The text with the marks that turn text right to left written as "?", so
// that an editor shows it as it is.
Text withDirectionMarksShown(const Text& text);
// Why the named file cannot be read as a bitmap; empty when it can be opened.
Text readProblem(const Text& name);
// The name of the file a path leads to, without its directories.
Text fileNameOf(const Text& path);
// Makes every way out the program can catch remove an unfinished data file.
void protectUnfinishedFiles();
