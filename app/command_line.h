#pragma once

// What the program is asked to do by its arguments: browse (none given),
// print its usage or its version, or convert named bitmaps without the screen.

#include <vector>

#include "services/textforms.h"

enum class CommandAction { Browse, Help, Version, Convert, BadOption };

struct CommandLine {
    CommandAction action = CommandAction::Browse;
    std::vector<Text> files;
    Text badOption;
};

// Reads the arguments in order: the first of --help, --version or an
// unknown option decides; "--" ends the options, and every other argument
// names a bitmap to convert.
CommandLine parseCommandLine(const std::vector<Text>& arguments);
// Does what the arguments ask; returns the exit code.
int runCommandLine(const std::vector<Text>& arguments);
