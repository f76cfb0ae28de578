#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "services/files.h"
#include "services/host/host.h"
#include "services/host/name_patterns.h"
#include "tests/support/file_test.h"
#include "tests/support/listing.h"
#include "tests/support/temp_directory.h"

// The file services as every host gives them. Names come in the host's own
// order, so listings are compared as sorted lists.

namespace {

namespace fs = std::filesystem;

// Each test runs in a fresh directory of its own.
using FilesTest = FileTest;

TEST_F(FilesTest, DirectoryMaskGivesDirectoriesAndFileMaskTheRest) {
    for (const char* name : {"b.bmp", "notes.txt", "_x"})
        writeFile(name, "");
    fs::create_directory("sub");
    fs::create_directory("d.bmp");
    EXPECT_EQ(sortedListing("*", DIRECTORY_MASK), (Names{".", "..", "d.bmp", "sub"}));
    EXPECT_EQ(sortedListing("*", FILE_MASK), (Names{"_x", "b.bmp", "notes.txt"}));
}

TEST_F(FilesTest, FileMaskGivesHiddenFilesButNoDirectories) {
    writeFile(".h.bmp", "");
    writeFile("z.bmp", "");
    fs::create_directory("d.bmp");
    EXPECT_EQ(sortedListing("*.bmp", FILE_MASK), (Names{".h.bmp", "z.bmp"}));
}

TEST_F(FilesTest, PatternIgnoresCase) {
    writeFile("X.BMP", "");
    writeFile("y.txt", "");
    EXPECT_EQ(sortedListing("*.bmp", FILE_MASK), (Names{"X.BMP"}));
}

TEST_F(FilesTest, ContinuingCallKeepsTheStartingMask) {
    fs::create_directory("dir");
    writeFile("file.bmp", "");
    Names names;
    for (Text name = listDirectory("*", DIRECTORY_MASK); !name.empty();
         name = listDirectory("", FILE_MASK))
        names.push_back(name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{".", "..", "dir"}));
    EXPECT_EQ(listDirectory("", FILE_MASK), "");
}

TEST_F(FilesTest, RestartBeginsFromTheFirstEntry) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        writeFile(name, "");
    const Text first = listDirectory("*.bmp", FILE_MASK);
    const Text second = listDirectory("", FILE_MASK);
    EXPECT_EQ(listDirectory("*.bmp", FILE_MASK), first);
    EXPECT_EQ(listDirectory("", FILE_MASK), second);
    const Text third = listDirectory("", FILE_MASK);
    EXPECT_EQ(listDirectory("", FILE_MASK), "");
    EXPECT_EQ(listDirectory("", FILE_MASK), "");
    Names names{first, second, third};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{"a.bmp", "b.bmp", "c.bmp"}));
}

TEST_F(FilesTest, DirectoryWithoutBitmapsStaysEmpty) {
    writeFile("notes.txt", "");
    EXPECT_EQ(listDirectory("*.bmp", FILE_MASK), "");
    EXPECT_EQ(listDirectory("", FILE_MASK), "");
    EXPECT_EQ(listDirectory("", FILE_MASK), "");
}

TEST_F(FilesTest, ChangeAndReadCurrentDirectory) {
    fs::create_directory("inner");
    const Text here = currentDirectory();
    EXPECT_TRUE(fs::path(here).is_absolute()) << here;
    EXPECT_TRUE(fs::equivalent(here, directory_.path)) << here;
    EXPECT_EQ(changeDirectory("inner"), 0);
    EXPECT_EQ(currentDirectory(), here + pathSeparator() + "inner");
    EXPECT_EQ(changeDirectory("missing"), -1);
    EXPECT_EQ(currentDirectory(), here + pathSeparator() + "inner");
    EXPECT_EQ(changeDirectory(".."), 0);
    EXPECT_EQ(currentDirectory(), here);
}

TEST_F(FilesTest, FreeFileNumberSkipsOpenNumbers) {
    writeFile("in.bmp", "x");
    EXPECT_EQ(freeFileNumber(), 1);
    EXPECT_EQ(freeFileNumber(), 1);
    ASSERT_EQ(openFile("in.bmp", FileMode::Binary, 1), FILE_OK);
    EXPECT_EQ(freeFileNumber(), 2);
    ASSERT_EQ(closeFile(1), FILE_OK);
    EXPECT_EQ(freeFileNumber(), 1);
}

TEST_F(FilesTest, FreeFileNumberIsZeroWhenAllAreOpen) {
    writeFile("in.bmp", "x");
    for (int number = 1; number <= FILE_NUMBER_COUNT; ++number)
        ASSERT_EQ(openFile("in.bmp", FileMode::Binary, number), FILE_OK) << number;
    EXPECT_EQ(freeFileNumber(), 0);
    ASSERT_EQ(closeFile(200), FILE_OK);
    EXPECT_EQ(freeFileNumber(), 200);
}

TEST_F(FilesTest, SecondOpenOnAnOpenNumberKeepsTheFirstFile) {
    writeFile("first.bmp", "AB");
    writeFile("second.bmp", "XY");
    ASSERT_EQ(openFile("first.bmp", FileMode::Binary, 1), FILE_OK);
    std::uint8_t byte = 0;
    ASSERT_EQ(readByte(1, byte), FILE_OK);
    EXPECT_EQ(byte, 'A');
    EXPECT_EQ(openFile("second.bmp", FileMode::Binary, 1), FILE_NOT_OPEN);
    ASSERT_EQ(readByte(1, byte), FILE_OK);
    EXPECT_EQ(byte, 'B');
}

TEST_F(FilesTest, ReadingPastTheEndGivesZero) {
    writeFile("in.bmp", "\x7f");
    ASSERT_EQ(openFile("in.bmp", FileMode::Binary, 3), FILE_OK);
    std::uint8_t byte = 0;
    ASSERT_EQ(readByte(3, byte), FILE_OK);
    EXPECT_EQ(byte, 0x7f);
    for (int i = 0; i < 3; ++i) {
        byte = 55;
        EXPECT_EQ(readByte(3, byte), FILE_PAST_END);
        EXPECT_EQ(byte, 0);
    }
}

TEST_F(FilesTest, ClosedNumbersAreRefused) {
    std::uint8_t byte = 99;
    EXPECT_EQ(readByte(4, byte), FILE_NOT_OPEN);
    EXPECT_EQ(byte, 99);
    EXPECT_EQ(writeText(4, "x", 1), FILE_NOT_OPEN);
    EXPECT_EQ(closeFile(4), FILE_NOT_OPEN);
    EXPECT_EQ(fileColumn(4), 0u);
}

TEST_F(FilesTest, ControlBytesReachTheFileUnchanged) {
    ASSERT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OK);
    const char bytes[] = {'a', 13, 10, 0, 'b'};
    ASSERT_EQ(writeText(2, bytes, sizeof bytes), FILE_OK);
    ASSERT_EQ(closeFile(2), FILE_OK);
    EXPECT_EQ(readFile("out.txt"), std::string(bytes, sizeof bytes));
}

TEST_F(FilesTest, ColumnFollowsTheWrittenText) {
    const struct {
        const char* name;
        std::vector<std::string> pieces;
        std::size_t column;
    } cases[] = {
        {"label", {"bildname:"}, 9},
        {"two pieces", {"ab", "cde"}, 5},
        {"after a line end", {"abc\r\n", "de"}, 2},
        {"ends with a line feed", {"abc\n"}, 0},
        {"nothing written", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OK);
        for (const std::string& piece : c.pieces)
            ASSERT_EQ(writeText(2, piece.data(), piece.size()), FILE_OK);
        EXPECT_EQ(fileColumn(2), c.column);
        ASSERT_EQ(closeFile(2), FILE_OK);
    }
}

TEST_F(FilesTest, BinaryOpenOfAMissingNameCreatesNothing) {
    EXPECT_EQ(openFile("missing.bmp", FileMode::Binary, 1), FILE_OPEN_FAILED);
    EXPECT_FALSE(fs::exists("missing.bmp"));
    EXPECT_EQ(freeFileNumber(), 1);
}

TEST_F(FilesTest, BinaryOpenOfADirectoryFails) {
    fs::create_directory("d.bmp");
    EXPECT_EQ(openFile("d.bmp", FileMode::Binary, 1), FILE_OPEN_FAILED);
    EXPECT_EQ(freeFileNumber(), 1);
}

TEST_F(FilesTest, OutputReplacesTheEarlierFileOnlyAtClose) {
    writeFile("out.txt", "old");
    ASSERT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OK);
    ASSERT_EQ(writeText(2, "new text", 8), FILE_OK);
    EXPECT_EQ(readFile("out.txt"), "old");
    ASSERT_EQ(closeFile(2), FILE_OK);
    EXPECT_EQ(readFile("out.txt"), "new text");
    EXPECT_TRUE(temporaryFilesIn(".").empty());
}

TEST_F(FilesTest, OutputOverADirectoryIsRefused) {
    fs::create_directory("out.txt");
    EXPECT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OPEN_FAILED);
    EXPECT_EQ(writeText(2, "new", 3), FILE_NOT_OPEN);
    EXPECT_EQ(closeFile(2), FILE_NOT_OPEN);
    EXPECT_TRUE(fs::is_directory("out.txt"));
    EXPECT_TRUE(temporaryFilesIn(".").empty());
}

TEST_F(FilesTest, OutputInAnotherDirectoryKeepsItsTemporaryThere) {
    fs::create_directory("sub");
    ASSERT_EQ(openFile("sub/out.txt", FileMode::Output, 2), FILE_OK);
    EXPECT_LE(temporaryFilesIn("sub").size(), 1u) << "none where the host can leave it unnamed";
    EXPECT_TRUE(temporaryFilesIn(".").empty());
    ASSERT_EQ(closeFile(2), FILE_OK);
    EXPECT_TRUE(fs::exists("sub/out.txt"));
    EXPECT_TRUE(temporaryFilesIn("sub").empty());
}

// A data file given up is let go of: however many are, the next can be made.
TEST_F(FilesTest, DiscardedOutputLeavesRoomForTheNext) {
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OK) << i;
        ASSERT_EQ(writeText(2, "new", 3), FILE_OK);
        ASSERT_EQ(discardFile(2), FILE_OK);
    }
    EXPECT_TRUE(temporaryFilesIn(".").empty());
    EXPECT_FALSE(fs::exists("out.txt"));
}

// Some hosts let a removed file's name stand until the file is closed; by
// then it is gone everywhere, and the earlier file was never replaced.
TEST_F(FilesTest, UnfinishedOutputIsRemovedAndReplacesNothing) {
    writeFile("out.txt", "old");
    ASSERT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OK);
    ASSERT_EQ(writeText(2, "new", 3), FILE_OK);
    EXPECT_LE(temporaryFilesIn(".").size(), 1u);
    hostRemoveUnfinishedReplacements();
    EXPECT_NE(closeFile(2), FILE_OK);
    EXPECT_TRUE(temporaryFilesIn(".").empty());
    EXPECT_EQ(readFile("out.txt"), "old");
}

TEST(HostNamesTest, MatchesPattern) {
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {
        {"*", "anything", true},    {"*", ".", true},
        {"*.bmp", "a.bmp", true},   {"*.bmp", "X.BMP", true},
        {"*.BMP", "x.bmp", true},   {"*.bmp", ".bmp", true},
        {"*.bmp", "a.bmpx", false}, {"*.bmp", "a.bm", false},
        {"?.bmp", "a.bmp", true},   {"?.bmp", "ab.bmp", false},
        {"?.bmp", ".bmp", false},   {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "abc", true},     {"a*b*c", "acb", false},
        {"**", "", true},           {"", "", true},
        {"", "a", false},           {"abc", "ABC", true},
        {"abc", "abd", false},      {"*ab", "aab", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesPattern(readPattern(c.pattern), c.name), c.matches)
            << c.pattern << " / " << c.name;
}

} // namespace
