#pragma once

// The host layer: the few functions each platform directory (posix/, win32/)
// implements, and that the test build replaces with fakes. The services are
// written once on top of these; nothing above services/ calls them.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "services/host/file_attributes.h"
#include "services/host/key_code.h"
#include "services/host/screen_characters.h"
#include "services/host/screen_size.h"

// The screen surface: a text area of cells, rows and columns from 1, row 1 at
// the top of the visible window.

// Sets up what the console needs before anything is shown or read; false,
// with the terminal left untouched, when it cannot show the screen at all
// (TERM=dumb).
bool hostStartConsole();

// Whether output goes to a console or terminal; when false the services pass
// bytes through unchanged and do nothing else.
bool surfaceIsConsole();
int surfaceWidth();
int surfaceHeight();
// The cursor and the attribute later output uses; false when they cannot be read.
bool surfaceCursor(int& row, int& column, std::uint8_t& attribute);
void surfaceSetAttribute(std::uint8_t attribute);
// Puts characters into consecutive cells of one row, a wide one into two;
// the cursor does not move.
void surfacePutRun(int row, int column, const ScreenCharacter* characters, std::size_t count,
                   std::uint8_t attribute);
// Whether names show as their UTF-8 characters, or one byte to a cell.
bool surfaceShowsUtf8();
// The cells the surface gives a character: 1, 2 for a wide one, 0 for a mark
// that joins the one before it, -1 for one it cannot show.
int surfaceCharacterWidth(char32_t code);
// Makes every cell of one row a space in the attribute.
void surfaceFillRow(int row, std::uint8_t attribute);
// Makes every cell of the visible window outside the text area a space in the attribute.
void surfaceBlankOutside(std::uint8_t attribute);
// Moves the text area up by rows; the rows freed at the bottom become spaces
// in the attribute.
void surfaceScrollUp(int rows, std::uint8_t attribute);
void surfacePlaceCursor(int row, int column);
// Writes bytes unchanged to an output that is not a console, by the next
// present at the latest; false on failure.
bool surfacePassThrough(const char* bytes, std::size_t count);
void surfaceBeep();
// Brings what the user sees up to date with the surface.
void surfacePresent();
// Whether the user can see the screen: false while a terminal too small for
// it shows a notice in its place.
bool surfaceShowsScreen();

// The keyboard.

// Appends the keys of every input already waiting; never blocks.
void hostPumpInput(std::vector<KeyCode>& keys);
// Returns when input may be waiting, or after at most milliseconds.
void hostWaitForInput(int milliseconds);
// True once no key can ever arrive again (end of redirected input, a terminal gone).
bool hostInputEnded();
std::int64_t hostMonotonicMs();
// The local date and time now, read afresh on every call.
std::tm hostLocalTime();
void hostSleepMs(int milliseconds);

// The process: its arguments, and the standard streams for lines outside
// the screen.

// The arguments after the program's name: on POSIX the bytes given, on
// Windows the command line's own UTF-16 as UTF-8.
std::vector<std::string> hostArguments(int argc, char** argv);
// Writes text to standard output, or to standard error, as it is; a line
// end is "\n". False when it could not be written whole.
bool hostWriteOutput(const std::string& text);
bool hostWriteError(const std::string& text);

// Standard output for colours of its own (the preview).

// The columns of standard output's window when it is a terminal or a
// console (80 when a terminal cannot tell); 0 when it is neither.
int hostOutputColumns();
// Whether text for the terminal is read as UTF-8: on POSIX, whether the
// character set of the locale the environment names (LC_CTYPE) is UTF-8;
// on Windows always, as the console is written as UTF-16.
bool hostLocaleIsUtf8();
// Makes standard output take ECMA-48 colour sequences: a console gets
// virtual-terminal processing and the UTF-8 output code page, what it had
// kept for hostEndColourOutput. False, with nothing changed, when a console
// cannot be switched; true with nothing to do when output is a file, a pipe
// or a POSIX terminal.
bool hostBeginColourOutput();
// Gives the console back the mode and code page it had before
// hostBeginColourOutput; nothing when that changed nothing.
void hostEndColourOutput();

// The file system.

// One directory entry as the host's search reports it: the name and the
// attribute bits of the directory services.
struct HostEntry {
    std::string name;
    std::uint32_t attributes = 0;
};

struct HostSearchData;
using HostSearch = HostSearchData*;

// Marks the start of a pass of listings that show the directory as one
// instant: every search up to the next pass may come from one read of it.
void hostBeginDirectoryPass();
// Starts a search of the current directory for names matching the pattern;
// null when nothing matches or the directory cannot be read.
HostSearch hostFindFirst(const std::string& pattern, HostEntry& entry);
bool hostFindNext(HostSearch search, HostEntry& entry);
void hostFindClose(HostSearch search);

// The absolute path of the current directory; empty when it cannot be told.
std::string hostCurrentDirectory();
bool hostChangeDirectory(const std::string& path);
char hostPathSeparator();
// The directory the program moves to at start-up; empty to stay where it is.
std::string hostStartDirectory();

// Standard output, set to pass bytes through unchanged (no line-end
// translation); null when there is none.
std::FILE* hostBinaryStandardOutput();
// Opens an existing file for reading only; never creates one.
std::FILE* hostOpenForReading(const std::string& name);
// Moves a stream opened for reading to a byte position from the file's
// start, any position up to the largest file; false when it cannot.
bool hostSeek(std::FILE* stream, std::int64_t position);
// The length in bytes of the file a stream reads, or -1.
std::int64_t hostFileLength(std::FILE* stream);
// Starts the file that is to take the place of name, beside the file that
// writing to name writes: the target of a symbolic link the user running the
// program owns, else name itself (another's link is replaced). It takes the
// permissions of the file it replaces, or of a plain creation, and has no
// name where the host can make it so, else a hidden temporary one. A link
// that leads to a file one of the streams in beingRead reads is replaced
// itself, so that nothing read is ever written. Null when that file exists
// and cannot be replaced by a new one (it cannot be written, or it is a
// directory), or the new one cannot be made.
std::FILE* hostStartReplacement(const std::string& name, const std::vector<std::FILE*>& beingRead);
// Whether name itself (not a link's target) is a file one of the streams in
// beingRead reads: a data file put in its place would take the picture's.
bool hostIsBeingRead(const std::string& name, const std::vector<std::FILE*>& beingRead);
// Ends a replacement and closes its stream. Kept, the flushed bytes are made
// durable and the file is put in place atomically; false, with nothing put
// in place, when that fails. Not kept, nothing of it is left.
bool hostFinishReplacement(std::FILE* stream, bool keep);
// Why the last replacement that could not be started or finished failed, in
// the system's words ("Permission denied"); empty before any failed.
std::string hostReplacementProblem();
// Removes every replacement not yet committed and makes its commit fail;
// safe in a signal handler.
void hostRemoveUnfinishedReplacements();
// A name as the program's text files hold it: the system's own bytes on
// POSIX; on Windows the ANSI code page, "?" for what it cannot hold.
std::string hostNameAsText(const std::string& name);
// Why a file cannot be read as a bitmap: empty when it can be opened for
// reading, else a short reason ("no such file or directory", "is a directory").
std::string hostReadProblem(const std::string& name);
// The last part of a path: the name of the file it leads to.
std::string hostBaseName(const std::string& path);
// Makes every way out the program can catch remove an unfinished data file,
// where nothing has done so yet (the screen's start does).
void hostProtectUnfinishedFiles();
// Registers a function to run at every normal end of the program.
void hostAtExit(void (*function)());
