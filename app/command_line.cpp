#include "app/command_line.h"

#include "app/batch.h"
#include "app/driver.h"
#include "services/standard_io.h"

namespace {

constexpr int EXIT_BAD_OPTION = 2;
// Standard output could not take what was asked for (a full disk, a closed pipe).
constexpr int EXIT_NOT_WRITTEN = 1;

const Text USAGE =
    "Usage: pictoline            browse the current directory and convert one bitmap\n"
    "       pictoline FILE...    convert each named bitmap, without the screen\n"
    "\n"
    "A 24-bit bitmap of 1 x 1 to 176 x 132 pixels becomes FILE.txt beside it:\n"
    "BASIC source whose data lines hold one RGB565 value per pixel.\n"
    "\n"
    "Options:\n"
    "  -h, --help       print this help and exit\n"
    "  -V, --version    print the version and exit\n"
    "  --               end the options; every argument after it is a FILE\n"
    "\n"
    "Exit status: 0 when every FILE was converted, or the browser ended as asked;\n"
    "1 when a FILE was refused or could not be read or written, or the data file\n"
    "could not be written; 2 for an unknown option.";

bool isOption(const Text& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

} // namespace

CommandLine parseCommandLine(const std::vector<Text>& arguments) {
    CommandLine command;
    bool optionsEnded = false;
    for (const Text& argument : arguments) {
        if (optionsEnded || !isOption(argument)) {
            command.files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            return {CommandAction::Help, {}, {}};
        } else if (argument == "-V" || argument == "--version") {
            return {CommandAction::Version, {}, {}};
        } else {
            return {CommandAction::BadOption, {}, argument};
        }
    }
    if (!command.files.empty())
        command.action = CommandAction::Convert;
    return command;
}

int runCommandLine(const std::vector<Text>& arguments) {
    const CommandLine command = parseCommandLine(arguments);
    switch (command.action) {
    case CommandAction::Browse:
        break;
    case CommandAction::Help:
        return writeOutputLine(USAGE) ? 0 : EXIT_NOT_WRITTEN;
    case CommandAction::Version:
        return writeOutputLine("pictoline " PICTOLINE_VERSION) ? 0 : EXIT_NOT_WRITTEN;
    case CommandAction::BadOption:
        writeErrorLine("pictoline: unknown option '" + command.badOption +
                       "'; 'pictoline --help' lists the options");
        return EXIT_BAD_OPTION;
    case CommandAction::Convert:
        return convertFiles(command.files);
    }
    return runProgram();
}
