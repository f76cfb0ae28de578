#include <gtest/gtest.h>

#include <sys/resource.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "services/files.h"
#include "services/host_names.h"
#include "tests/support/ordinary_user.h"

namespace {

namespace fs = std::filesystem;

// Each test runs in a fresh directory of its own.
class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        char templateName[] = "/tmp/pictoline-files-XXXXXX";
        ASSERT_NE(mkdtemp(templateName), nullptr);
        directory_ = templateName;
        ASSERT_EQ(chdir(directory_.c_str()), 0);
    }
    void TearDown() override {
        closeAllFiles();
        ASSERT_EQ(chdir(previous_.c_str()), 0);
        fs::remove_all(directory_);
    }

    fs::path previous_;
    fs::path directory_;
};

void writeFile(const std::string& name, const std::string& content) {
    std::ofstream out(name, std::ios::binary);
    out << content;
}

std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> listAll(const std::string& pattern, std::uint32_t mask) {
    std::vector<std::string> names;
    for (Text name = listDirectory(pattern, mask); !name.empty(); name = listDirectory("", mask))
        names.push_back(name);
    return names;
}

std::vector<std::string> temporaryFilesIn(const fs::path& directory) {
    std::vector<std::string> found;
    for (const auto& item : fs::directory_iterator(directory)) {
        const std::string name = item.path().filename().string();
        if (name.rfind(".pictoline-", 0) == 0)
            found.push_back(name);
    }
    return found;
}

TEST_F(FilesTest, ListingPutsDotEntriesFirstThenNtfsOrder) {
    for (const char* name : {"b", "A", "a", "_x"})
        writeFile(name, "");
    fs::create_directory("sub");
    EXPECT_EQ(listAll("*", 16), (std::vector<std::string>{".", "..", "sub"}));
    EXPECT_EQ(listAll("*", 39), (std::vector<std::string>{"A", "a", "b", "_x"}));
}

TEST_F(FilesTest, DirectoryMaskLeavesOutHiddenDirectoriesAndFiles) {
    fs::create_directory("photos");
    fs::create_directory(".git");
    writeFile("x.bmp", "");
    EXPECT_EQ(listAll("*", 16), (std::vector<std::string>{".", "..", "photos"}));
}

TEST_F(FilesTest, FileMaskGivesHiddenFilesButNoDirectories) {
    writeFile(".h.bmp", "");
    writeFile("z.bmp", "");
    fs::create_directory("d.bmp");
    EXPECT_EQ(listAll("*.bmp", 39), (std::vector<std::string>{".h.bmp", "z.bmp"}));
}

TEST_F(FilesTest, PatternIgnoresCase) {
    writeFile("X.BMP", "");
    writeFile("y.txt", "");
    EXPECT_EQ(listAll("*.bmp", 39), (std::vector<std::string>{"X.BMP"}));
}

TEST_F(FilesTest, ContinuingCallKeepsTheStartingMask) {
    fs::create_directory("dir");
    writeFile("file.bmp", "");
    EXPECT_EQ(listDirectory("*", 16), ".");
    EXPECT_EQ(listDirectory("", 39), "..");
    EXPECT_EQ(listDirectory("", 39), "dir");
    EXPECT_EQ(listDirectory("", 39), "");
}

TEST_F(FilesTest, RestartBeginsFromTheFirstEntry) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        writeFile(name, "");
    EXPECT_EQ(listDirectory("*.bmp", 39), "a.bmp");
    EXPECT_EQ(listDirectory("", 39), "b.bmp");
    EXPECT_EQ(listDirectory("*.bmp", 39), "a.bmp");
    EXPECT_EQ(listDirectory("", 39), "b.bmp");
    EXPECT_EQ(listDirectory("", 39), "c.bmp");
    EXPECT_EQ(listDirectory("", 39), "");
    EXPECT_EQ(listDirectory("", 39), "");
}

TEST_F(FilesTest, FifoIsListedByNeitherMask) {
    ASSERT_EQ(mkfifo("p.bmp", 0600), 0);
    writeFile("q.bmp", "");
    EXPECT_EQ(listAll("*.bmp", 39), (std::vector<std::string>{"q.bmp"}));
    EXPECT_EQ(listAll("*.bmp", 16), (std::vector<std::string>{}));
}

TEST_F(FilesTest, DirectoryWithoutBitmapsStaysEmpty) {
    writeFile("notes.txt", "");
    EXPECT_EQ(listDirectory("*.bmp", 39), "");
    EXPECT_EQ(listDirectory("", 39), "");
    EXPECT_EQ(listDirectory("", 39), "");
}

// Sets the modification time of the current directory an hour back, as for
// a directory nobody has touched lately: its listing may then be shared.
void ageCurrentDirectory() {
    const timespec anHourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, ".", anHourAgo, 0), 0);
}

TEST_F(FilesTest, ListingSeesEveryChangeOfAQuietDirectory) {
    writeFile("a.bmp", "");
    fs::create_directory("d");
    ageCurrentDirectory();
    EXPECT_EQ(listAll("*.bmp", 39), (std::vector<std::string>{"a.bmp"}));
    EXPECT_EQ(listAll("*.bmp", 39), (std::vector<std::string>{"a.bmp"}));
    const struct {
        const char* change;
        void (*make)();
        std::vector<std::string> bitmaps, directories;
    } cases[] = {
        {"created", [] { writeFile("b.bmp", ""); }, {"a.bmp", "b.bmp"}, {".", "..", "d"}},
        {"renamed", [] { fs::rename("a.bmp", "c.bmp"); }, {"b.bmp", "c.bmp"}, {".", "..", "d"}},
        {"removed", [] { fs::remove("b.bmp"); }, {"c.bmp"}, {".", "..", "d"}},
        {"directory", [] { fs::create_directory("e.bmp"); }, {"c.bmp"}, {".", "..", "d", "e.bmp"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        ageCurrentDirectory();
        listAll("*", 16);
        c.make();
        EXPECT_EQ(listAll("*.bmp", 39), c.bitmaps);
        EXPECT_EQ(listAll("*", 16), c.directories);
    }
}

TEST_F(FilesTest, LinkIsReadAgainWhenItsTargetChanges) {
    fs::create_directory("elsewhere");
    writeFile("elsewhere/target", "");
    ASSERT_EQ(chdir("elsewhere"), 0);
    fs::create_directory("here");
    ASSERT_EQ(chdir("here"), 0);
    fs::create_symlink("../target", "link.bmp");
    ageCurrentDirectory();
    EXPECT_EQ(listAll("*.bmp", 39), (std::vector<std::string>{"link.bmp"}));
    // The target becomes a directory; the listed directory itself is unchanged.
    fs::remove("../target");
    fs::create_directory("../target");
    EXPECT_EQ(listAll("*.bmp", 39), std::vector<std::string>{});
    EXPECT_EQ(listAll("*", 16), (std::vector<std::string>{".", "..", "link.bmp"}));
}

TEST_F(FilesTest, ChangeAndReadCurrentDirectory) {
    fs::create_directory("inner");
    EXPECT_EQ(fs::path(currentDirectory()), fs::canonical(directory_));
    EXPECT_EQ(changeDirectory("inner"), 0);
    EXPECT_EQ(fs::path(currentDirectory()), fs::canonical(directory_ / "inner"));
    EXPECT_EQ(changeDirectory("missing"), -1);
    EXPECT_EQ(changeDirectory(".."), 0);
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
        EXPECT_EQ(readByte(3, byte), FILE_OK);
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

TEST_F(FilesTest, BinaryOpenOfAFifoFails) {
    ASSERT_EQ(mkfifo("p.bmp", 0600), 0);
    EXPECT_EQ(openFile("p.bmp", FileMode::Binary, 1), FILE_OPEN_FAILED);
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

// Whether out.txt can be replaced when it is each kind of entry.
TEST_F(FilesTest, OutputReplacesOnlyWhatAPlainWriteCould) {
    const struct {
        const char* kind;
        void (*make)();
        bool replaced;
    } cases[] = {
        {"directory", [] { fs::create_directory("out.txt"); }, false},
        {"fifo", [] { mkfifo("out.txt", 0644); }, false},
        {"read-only file", [] { writeFile("out.txt", "old"); chmod("out.txt", 0444); }, false},
        {"writable file", [] { writeFile("out.txt", "old"); chmod("out.txt", 0666); }, true},
    };
    chmod(".", 0777); // the ordinary user may create files here
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        c.make();
        const auto type = fs::symlink_status("out.txt").type();
        {
            OrdinaryUser user;
            const int opened = openFile("out.txt", FileMode::Output, 2);
            EXPECT_EQ(opened, c.replaced ? FILE_OK : FILE_OPEN_FAILED);
            writeText(2, "new", 3);
            EXPECT_EQ(closeFile(2), c.replaced ? FILE_OK : FILE_NOT_OPEN);
        }
        EXPECT_EQ(fs::symlink_status("out.txt").type(), type);
        if (type == fs::file_type::regular) {
            EXPECT_EQ(readFile("out.txt"), c.replaced ? "new" : "old");
        }
        EXPECT_TRUE(temporaryFilesIn(".").empty());
        fs::remove_all("out.txt");
    }
}

TEST_F(FilesTest, OutputKeepsTheEarlierFileMode) {
    const mode_t mask = umask(022);
    const struct {
        bool earlier;
        mode_t mode, expected;
    } cases[] = {{true, 0640, 0640}, {true, 0604, 0604}, {false, 0, 0644}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        if (c.earlier) {
            writeFile("out.txt", "old");
            chmod("out.txt", c.mode);
        }
        ASSERT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OK);
        ASSERT_EQ(closeFile(2), FILE_OK);
        struct stat info {};
        ASSERT_EQ(stat("out.txt", &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.expected);
        fs::remove("out.txt");
    }
    umask(mask);
}

TEST_F(FilesTest, OutputThroughASymbolicLinkReplacesItsTarget) {
    fs::create_directory("elsewhere");
    writeFile("elsewhere/real.txt", "old");
    fs::create_symlink("elsewhere/real.txt", "out.txt");
    ASSERT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OK);
    ASSERT_EQ(writeText(2, "new", 3), FILE_OK);
    ASSERT_EQ(closeFile(2), FILE_OK);
    EXPECT_TRUE(fs::is_symlink("out.txt"));
    EXPECT_EQ(readFile("elsewhere/real.txt"), "new");
    EXPECT_TRUE(temporaryFilesIn("elsewhere").empty());
}

TEST_F(FilesTest, OutputInAnotherDirectoryKeepsItsTemporaryThere) {
    fs::create_directory("sub");
    ASSERT_EQ(openFile("sub/out.txt", FileMode::Output, 2), FILE_OK);
    EXPECT_EQ(temporaryFilesIn("sub").size(), 1u);
    EXPECT_TRUE(temporaryFilesIn(".").empty());
    ASSERT_EQ(closeFile(2), FILE_OK);
    EXPECT_TRUE(fs::exists("sub/out.txt"));
    EXPECT_TRUE(temporaryFilesIn("sub").empty());
}

TEST_F(FilesTest, UnfinishedOutputIsRemoved) {
    writeFile("out.txt", "old");
    ASSERT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OK);
    EXPECT_EQ(temporaryFilesIn(".").size(), 1u);
    removeUnfinishedFiles();
    EXPECT_TRUE(temporaryFilesIn(".").empty());
    EXPECT_EQ(readFile("out.txt"), "old");
}

TEST_F(FilesTest, FailingWriteLeavesTheEarlierFileUntouched) {
    writeFile("out.txt", "old");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(100);
        if (openFile("out.txt", FileMode::Output, 2) != FILE_OK)
            _exit(101);
        const std::string text(3 * FILE_BUFFER_SIZE, 'x');
        writeText(2, text.data(), text.size());
        _exit(closeFile(2));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), FILE_SHORT_WRITE);
    EXPECT_EQ(readFile("out.txt"), "old");
    EXPECT_TRUE(temporaryFilesIn(".").empty());
}

TEST(HostNamesTest, MatchesPattern) {
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {
        {"*", "anything", true},
        {"*", ".", true},
        {"*.bmp", "a.bmp", true},
        {"*.bmp", "X.BMP", true},
        {"*.BMP", "x.bmp", true},
        {"*.bmp", ".bmp", true},
        {"*.bmp", "a.bmpx", false},
        {"*.bmp", "a.bm", false},
        {"?.bmp", "a.bmp", true},
        {"?.bmp", "ab.bmp", false},
        {"?.bmp", ".bmp", false},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "abc", true},
        {"a*b*c", "acb", false},
        {"**", "", true},
        {"", "", true},
        {"", "a", false},
        {"abc", "ABC", true},
        {"abc", "abd", false},
        {"*ab", "aab", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesPattern(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
}

TEST(HostNamesTest, CompareNamesLikeNtfs) {
    const struct {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"a", "b", -1},
        {"B", "a", 1},
        {"A", "a", -1},
        {"a", "A", 1},
        {"a", "a", 0},
        {"Z", "_x", -1},   // '_' sorts after the upper-case letters
        {"z", "_x", -1},
        {"ab", "abc", -1},
        {"ABC", "abd", -1},
        {"\xe4", "z", 1},  // bytes above ASCII stay as they are
        {"1", "a", -1},
    };
    for (const auto& c : cases) {
        const int result = compareNamesLikeNtfs(c.a, c.b);
        const int sign = result < 0 ? -1 : (result > 0 ? 1 : 0);
        EXPECT_EQ(sign, c.sign) << c.a << " vs " << c.b;
    }
}

TEST(HostNamesTest, AttributesOf) {
    const struct {
        bool isDirectory;
        bool isRegular;
        const char* name;
        std::uint32_t attributes;
    } cases[] = {
        {true, false, "photos", ATTRIBUTE_DIRECTORY},
        {true, false, ".git", ATTRIBUTE_DIRECTORY | ATTRIBUTE_HIDDEN},
        {true, false, ".", ATTRIBUTE_DIRECTORY},
        {true, false, "..", ATTRIBUTE_DIRECTORY},
        {false, true, "a.bmp", ATTRIBUTE_ARCHIVE},
        {false, true, ".h.bmp", ATTRIBUTE_ARCHIVE | ATTRIBUTE_HIDDEN},
        {false, false, "p.bmp", ATTRIBUTE_OTHER},
        {false, false, ".p", ATTRIBUTE_OTHER},
    };
    for (const auto& c : cases)
        EXPECT_EQ(attributesOf(c.isDirectory, c.isRegular, c.name), c.attributes) << c.name;
}

} // namespace
