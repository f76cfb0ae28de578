#include "app/command_line.h"
#include "services/standard_io.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, ArgumentsDecideWhatTheProgramDoes) {
    using Files = std::vector<Text>;
    const struct {
        std::vector<Text> arguments;
        CommandAction action;
        Files files;
        Text badOption;
    } cases[] = {
        {{}, CommandAction::Browse, {}, ""},
        {{"--help"}, CommandAction::Help, {}, ""},
        {{"-h"}, CommandAction::Help, {}, ""},
        {{"--version"}, CommandAction::Version, {}, ""},
        {{"-V"}, CommandAction::Version, {}, ""},
        {{"a.bmp", "sub/b.bmp"}, CommandAction::Convert, {"a.bmp", "sub/b.bmp"}, ""},
        {{"--frobnicate"}, CommandAction::BadOption, {}, "--frobnicate"},
        {{"-v"}, CommandAction::BadOption, {}, "-v"},
        {{"-hV"}, CommandAction::BadOption, {}, "-hV"},
        {{"a.bmp", "-x.bmp"}, CommandAction::BadOption, {}, "-x.bmp"},
        {{"--", "-x.bmp", "--help"}, CommandAction::Convert, {"-x.bmp", "--help"}, ""},
        {{"a.bmp", "--", "--"}, CommandAction::Convert, {"a.bmp", "--"}, ""},
        {{"-"}, CommandAction::Convert, {"-"}, ""},
        {{"--"}, CommandAction::Browse, {}, ""},
        {{"--help", "--frobnicate"}, CommandAction::Help, {}, ""},
        {{"--frobnicate", "--help"}, CommandAction::BadOption, {}, "--frobnicate"},
        {{"a.bmp", "--version"}, CommandAction::Version, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const CommandLine command = parseCommandLine(c.arguments);
        EXPECT_EQ(command.action, c.action);
        EXPECT_EQ(command.files, c.files);
        EXPECT_EQ(command.badOption, c.badOption);
    }
}

// Names in the lines outside the screen can neither act on a terminal nor
// break their line.
TEST(CommandLine, NamesInLinesAreMadeHarmless) {
    const struct {
        Text name;
        Text shown;
    } cases[] = {
        {"caf\xC3\xA9 \xD1\x81.bmp", "caf\xC3\xA9 \xD1\x81.bmp"},
        {"x\x1b]2;title\a.bmp", "x?]2;title?.bmp"},
        {"two\nlines.bmp", "two?lines.bmp"},
        {"c1\xC2\x9B"
         "31m.bmp",
         "c1?31m.bmp"},
        {"gpj\xE2\x80\xAE.exe", "gpj?.exe"},
        {"latin-1 \xE9.bmp", "latin-1 \xE9.bmp"},
        {"", "''"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nameForLine(c.name), c.shown) << testing::PrintToString(c.name);
}

} // namespace
