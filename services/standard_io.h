#pragma once

// What the program is given and gives back outside the screen: its
// arguments, and lines on standard output, or on standard error for what
// went wrong.

#include <vector>

#include "services/textforms.h"

// The arguments after the program's name, as the logic holds names (UTF-8
// on Windows, whatever the console's code page).
std::vector<Text> programArguments(int argc, char** argv);
// Each writes the text and a line end; false when it could not be written.
// A line standard output did not take is reported on standard error.
bool writeOutputLine(const Text& line);
// Writes the text as it is, line ends and all; false when it could not.
bool writeOutput(const Text& text);
bool writeErrorLine(const Text& line);
// A name as a line may hold it: its controls (C0, DEL, C1) and the marks
// that turn text right to left become "?", so that a name can neither act on
// a terminal nor break the line; the empty name shows as ''.
Text nameForLine(const Text& name);
