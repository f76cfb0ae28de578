#pragma once

// Lines for the user outside the screen: on standard output, or on standard
// error for what went wrong.

#include "services/textforms.h"

// Each writes the text and a line end; false when it could not be written.
bool writeOutputLine(const Text& line);
bool writeErrorLine(const Text& line);
