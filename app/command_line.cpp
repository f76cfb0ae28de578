#include "app/command_line.h"

#include <string>

#include "app/batch.h"
#include "app/driver.h"
#include "services/standard_io.h"

namespace {

constexpr int EXIT_BAD_OPTION = 2;
// Standard output could not take what was asked for (a full disk, a closed pipe).
constexpr int EXIT_NOT_WRITTEN = 1;

const Text USAGE =
    "Usage: pictoline                      browse the current directory and convert one bitmap\n"
    "       pictoline [OPTION]... FILE...  convert each named picture, without the screen\n"
    "\n"
    "A 24-bit bitmap of 1 x 1 to 176 x 132 pixels becomes FILE.txt beside it:\n"
    "BASIC source whose data lines hold one RGB565 value per pixel.\n"
    "\n"
    "Options:\n"
    "  --fit            read any picture (PNG, JPEG, GIF, BMP of every kind), turned\n"
    "                   upright, put over black and fitted within 176 x 132\n"
    "  --fit=WxH        the same, fitted within W x H (W 1..176, H 1..132)\n"
    "  -o, --output=FILE  write the data file of the one FILE named to FILE instead\n"
    "                   (- for standard output)\n"
    "  --dither=ordered, --dither=diffuse\n"
    "                   hide the display's colour bands: an 8 x 8 ordered pattern,\n"
    "                   or Floyd-Steinberg error diffusion\n"
    "  --preview        show each picture in the terminal as the display will show\n"
    "                   it, instead of writing its data file\n"
    "  -h, --help       print this help and exit\n"
    "  -V, --version    print the version and exit\n"
    "  --               end the options; every argument after it is a FILE\n"
    "\n"
    "Exit status: 0 when every FILE was converted, or the browser ended as asked;\n"
    "1 when a FILE was refused or could not be read or written, or the data file\n"
    "could not be written; 2 for an unusable option.";

const Text FIT_OPTION = "--fit";
const Text OUTPUT_OPTION = "--output=";
const Text DITHER_OPTION = "--dither=";

bool isOption(const Text& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

bool startsWith(const Text& text, const Text& start) {
    return text.compare(0, start.size(), start) == 0;
}

// A whole number of 1 to 3 digits from 1 to most, or 0.
int sideOf(const Text& digits, int most) {
    if (digits.empty() || digits.size() > 3)
        return 0;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value <= most ? value : 0;
}

// "WxH" of --fit=WxH within the display's bounds; false when it is not one.
bool readBounds(const Text& size, PictureSize& bounds) {
    const std::size_t cross = size.find('x');
    if (cross == Text::npos)
        return false;
    bounds.width = sideOf(size.substr(0, cross), MAX_BITMAP_WIDTH);
    bounds.height = sideOf(size.substr(cross + 1), MAX_BITMAP_HEIGHT);
    return bounds.width > 0 && bounds.height > 0;
}

// Takes the dither --dither= names; false for a word it does not know.
bool takeDitherOption(const Text& name, ConversionOptions& options) {
    for (Dither dither : {Dither::Ordered, Dither::Diffuse}) {
        if (name == ditherName(dither)) {
            options.dither = dither;
            return true;
        }
    }
    return false;
}

CommandLine badOption(const Text& argument, const Text& problem) {
    CommandLine command;
    command.action = CommandAction::BadOption;
    command.badOption = argument;
    command.problem = problem;
    return command;
}

CommandLine unknownOption(const Text& argument) {
    return badOption(argument, "unknown option '" + argument + "'");
}

// Takes one option into the options; false when it is none the program knows.
bool takeFitOption(const Text& argument, ConversionOptions& options) {
    if (argument == FIT_OPTION) {
        options.fit = true;
        return true;
    }
    if (!startsWith(argument, FIT_OPTION + "="))
        return false;
    options.fit = readBounds(argument.substr(FIT_OPTION.size() + 1), options.bounds);
    return options.fit;
}

} // namespace

CommandLine parseCommandLine(const std::vector<Text>& arguments) {
    CommandLine command;
    bool optionsEnded = false;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const Text& argument = arguments[at];
        if (optionsEnded || !isOption(argument)) {
            command.files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            return {CommandAction::Help, {}, {}, {}, {}};
        } else if (argument == "-V" || argument == "--version") {
            return {CommandAction::Version, {}, {}, {}, {}};
        } else if (startsWith(argument, FIT_OPTION)) {
            if (!takeFitOption(argument, command.options))
                return badOption(argument, "--fit=WxH takes a width of 1 to 176 and a "
                                           "height of 1 to 132, as in --fit=32x32");
        } else if (argument == "-o" || argument == "--output") {
            if (at + 1 == arguments.size())
                return badOption(argument, argument + " names the data file: -o FILE");
            command.options.output = arguments[++at];
        } else if (startsWith(argument, OUTPUT_OPTION)) {
            command.options.output = argument.substr(OUTPUT_OPTION.size());
        } else if (startsWith(argument, DITHER_OPTION)) {
            if (!takeDitherOption(argument.substr(DITHER_OPTION.size()), command.options))
                return badOption(argument, "--dither takes ordered or diffuse");
        } else if (argument == "--preview") {
            command.options.preview = true;
        } else {
            return unknownOption(argument);
        }
    }
    if (command.options.output && command.files.size() > 1)
        return badOption(*command.options.output, "-o names the data file of one picture; " +
                                                      std::to_string(command.files.size()) +
                                                      " are named");
    // Options of the conversion make no sense for the browser.
    const ConversionOptions& options = command.options;
    if (command.files.empty() &&
        (options.fit || options.output || options.dither != Dither::None || options.preview))
        return badOption(arguments.front(), "no FILE is named to convert");
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
        writeErrorLine("pictoline: " + command.problem + "; 'pictoline --help' lists the options");
        return EXIT_BAD_OPTION;
    case CommandAction::Convert:
        return convertFiles(command.files, command.options);
    }
    return runProgram();
}
