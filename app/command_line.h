#pragma once

// What the program is asked to do by its arguments: browse (none given),
// print its usage or its version, or convert named pictures without the screen.

#include <vector>

#include "app/batch.h"
#include "services/textforms.h"

enum class CommandAction { Browse, Help, Version, Convert, BadOption };

struct CommandLine {
    CommandAction action = CommandAction::Browse;
    std::vector<Text> files;
    ConversionOptions options;
    // The argument that made the line unusable, and what is wrong with it.
    Text badOption;
    Text problem;
};

// Reads the arguments in order: the first of --help, --version or an
// unusable option decides; "--" ends the options, and every other argument
// names a picture to convert.
CommandLine parseCommandLine(const std::vector<Text>& arguments);
// Does what the arguments ask; returns the exit code.
int runCommandLine(const std::vector<Text>& arguments);
