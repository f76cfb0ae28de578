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
bool writeOutputLine(const Text& line);
bool writeErrorLine(const Text& line);
