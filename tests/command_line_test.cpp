#include "app/command_line.h"

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

} // namespace
