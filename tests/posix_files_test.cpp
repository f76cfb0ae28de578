#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "services/files.h"
#include "services/host/host.h"
#include "services/posix/host_names.h"
#include "tests/support/file_test.h"
#include "tests/support/listing.h"
#include "tests/support/ordinary_user.h"
#include "tests/support/temp_directory.h"

// The file services over a POSIX file system: the attributes and order the
// host makes up, FIFOs, permission bits, symbolic links and failing writes.

namespace {

namespace fs = std::filesystem;

using PosixFilesTest = FileTest;

TEST_F(PosixFilesTest, ListingPutsDotEntriesFirstThenNtfsOrder) {
    for (const char* name : {"b", "A", "a", "_x"})
        writeFile(name, "");
    // "-" and "#" sort below "." byte by byte: the dot entries still come first.
    for (const char* name : {"sub", "-old", "#1"})
        fs::create_directory(name);
    EXPECT_EQ(listAll("*", DIRECTORY_MASK), (Names{".", "..", "#1", "-old", "sub"}));
    EXPECT_EQ(listAll("*", FILE_MASK), (Names{"A", "a", "b", "_x"}));
}

TEST_F(PosixFilesTest, DirectoryMaskLeavesOutHiddenDirectoriesAndFiles) {
    fs::create_directory("photos");
    fs::create_directory(".git");
    writeFile("x.bmp", "");
    EXPECT_EQ(listAll("*", DIRECTORY_MASK), (Names{".", "..", "photos"}));
}

TEST_F(PosixFilesTest, FifoIsListedByNeitherMask) {
    ASSERT_EQ(mkfifo("p.bmp", 0600), 0);
    writeFile("q.bmp", "");
    EXPECT_EQ(listAll("*.bmp", FILE_MASK), (Names{"q.bmp"}));
    EXPECT_EQ(listAll("*.bmp", DIRECTORY_MASK), (Names{}));
}

// Sets the modification time of the current directory an hour back, as for
// a directory nobody has touched lately: its listing may then be shared.
void ageCurrentDirectory() {
    const timespec anHourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, ".", anHourAgo, 0), 0);
}

// Lists as the first listing of a redraw does: in a pass of its own.
Names listInNewPass(const std::string& pattern, std::uint32_t mask) {
    beginDirectoryPass();
    return listAll(pattern, mask);
}

TEST_F(PosixFilesTest, NextPassSeesEveryChangeOfAQuietDirectory) {
    writeFile("a.bmp", "");
    fs::create_directory("d");
    ageCurrentDirectory();
    EXPECT_EQ(listInNewPass("*.bmp", FILE_MASK), (Names{"a.bmp"}));
    EXPECT_EQ(listInNewPass("*.bmp", FILE_MASK), (Names{"a.bmp"}));
    const struct {
        const char* change;
        void (*make)();
        Names bitmaps, directories;
    } cases[] = {
        {"created", [] { writeFile("b.bmp", ""); }, {"a.bmp", "b.bmp"}, {".", "..", "d"}},
        {"renamed", [] { fs::rename("a.bmp", "c.bmp"); }, {"b.bmp", "c.bmp"}, {".", "..", "d"}},
        {"removed", [] { fs::remove("b.bmp"); }, {"c.bmp"}, {".", "..", "d"}},
        {"directory", [] { fs::create_directory("e.bmp"); }, {"c.bmp"}, {".", "..", "d", "e.bmp"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        ageCurrentDirectory();
        listInNewPass("*", DIRECTORY_MASK);
        c.make();
        EXPECT_EQ(listInNewPass("*.bmp", FILE_MASK), c.bitmaps);
        EXPECT_EQ(listAll("*", DIRECTORY_MASK), c.directories);
    }
}

// A directory changed two seconds ago may change again within the same tick
// of a coarse clock and keep its time: it is read again at every pass.
TEST_F(PosixFilesTest, RecentlyChangedDirectoryIsReadAgainAtTheSameTime) {
    writeFile("a.bmp", "");
    timespec twoSecondsAgo[2];
    clock_gettime(CLOCK_REALTIME, &twoSecondsAgo[0]);
    twoSecondsAgo[0].tv_sec -= 2;
    twoSecondsAgo[1] = twoSecondsAgo[0];
    ASSERT_EQ(utimensat(AT_FDCWD, ".", twoSecondsAgo, 0), 0);
    EXPECT_EQ(listInNewPass("*.bmp", FILE_MASK), (Names{"a.bmp"}));
    writeFile("b.bmp", "");
    ASSERT_EQ(utimensat(AT_FDCWD, ".", twoSecondsAgo, 0), 0);
    EXPECT_EQ(listInNewPass("*.bmp", FILE_MASK), (Names{"a.bmp", "b.bmp"}));
}

// Another directory with the same time, quiet as it may be, is not the one
// read before.
TEST_F(PosixFilesTest, AnotherDirectoryOfTheSameTimeIsReadAfresh) {
    const timespec anHourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    for (const char* name : {"x", "y"}) {
        fs::create_directory(name);
        writeFile(std::string(name) + "/in-" + name + ".bmp", "");
        ASSERT_EQ(utimensat(AT_FDCWD, name, anHourAgo, 0), 0);
    }
    ASSERT_EQ(changeDirectory("x"), 0);
    EXPECT_EQ(listInNewPass("*.bmp", FILE_MASK), (Names{"in-x.bmp"}));
    ASSERT_EQ(changeDirectory("../y"), 0);
    EXPECT_EQ(listInNewPass("*.bmp", FILE_MASK), (Names{"in-y.bmp"}));
}

// ".." from a directory that is gone with its parent leads to the nearest
// directory of its path that stands again.
TEST_F(PosixFilesTest, UpFromAGoneDirectoryLeadsToTheNearestOneOfItsPath) {
    const struct {
        const char* what;
        const char* madeAgain;
    } cases[] = {
        {"its parent made again", "a/b"},
        {"only the directory above its parent made again", "a"},
    };
    const fs::path top = fs::current_path();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::create_directories("a/b/c");
        ASSERT_EQ(changeDirectory("a/b/c"), 0);
        ASSERT_EQ(currentDirectory(), (top / "a/b/c").string()) << "named";
        fs::remove_all(top / "a");
        fs::create_directories(top / c.madeAgain);
        EXPECT_EQ(changeDirectory(".."), 0);
        EXPECT_EQ(currentDirectory(), (top / c.madeAgain).string());
        fs::current_path(top);
        fs::remove_all("a");
    }
}

// A redraw counts the entries in one pair of listings and draws them in
// another: both pairs show the directory as the pass's first listing found it.
TEST_F(PosixFilesTest, ListingsOfOnePassShowOneInstant) {
    writeFile("a.bmp", "");
    beginDirectoryPass();
    EXPECT_EQ(listAll("*", DIRECTORY_MASK), (Names{".", ".."}));
    writeFile("b.bmp", "");
    fs::create_directory("d");
    EXPECT_EQ(listAll("*.bmp", FILE_MASK), (Names{"a.bmp"}));
    EXPECT_EQ(listAll("*", DIRECTORY_MASK), (Names{".", ".."}));
    fs::remove("a.bmp");
    EXPECT_EQ(listAll("*.bmp", FILE_MASK), (Names{"a.bmp"}));
    EXPECT_EQ(listInNewPass("*", DIRECTORY_MASK), (Names{".", "..", "d"}));
    EXPECT_EQ(listAll("*.bmp", FILE_MASK), (Names{"b.bmp"}));
}

// A search still in progress keeps the read it began with when a later pass
// reads the changed directory again.
TEST_F(PosixFilesTest, SearchInProgressKeepsItsNames) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        writeFile(name, "");
    beginDirectoryPass();
    HostEntry entry;
    HostSearch held = hostFindFirst("*.bmp", entry);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(entry.name, "a.bmp");
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        fs::rename(name, std::string("renamed-") + name);
    EXPECT_EQ(listInNewPass("*.bmp", FILE_MASK),
              (Names{"renamed-a.bmp", "renamed-b.bmp", "renamed-c.bmp"}));
    Names rest;
    while (hostFindNext(held, entry))
        rest.push_back(entry.name);
    hostFindClose(held);
    EXPECT_EQ(rest, (Names{"b.bmp", "c.bmp"}));
}

TEST_F(PosixFilesTest, LinkIsReadAgainWhenItsTargetChanges) {
    fs::create_directory("elsewhere");
    writeFile("elsewhere/target", "");
    ASSERT_EQ(chdir("elsewhere"), 0);
    fs::create_directory("here");
    ASSERT_EQ(chdir("here"), 0);
    fs::create_symlink("../target", "link.bmp");
    ageCurrentDirectory();
    EXPECT_EQ(listInNewPass("*.bmp", FILE_MASK), (Names{"link.bmp"}));
    // The target becomes a directory; the listed directory itself is unchanged.
    fs::remove("../target");
    fs::create_directory("../target");
    EXPECT_EQ(listInNewPass("*.bmp", FILE_MASK), Names{});
    EXPECT_EQ(listAll("*", DIRECTORY_MASK), (Names{".", "..", "link.bmp"}));
}

TEST_F(PosixFilesTest, BinaryOpenOfAFifoFails) {
    ASSERT_EQ(mkfifo("p.bmp", 0600), 0);
    EXPECT_EQ(openFile("p.bmp", FileMode::Binary, 1), FILE_OPEN_FAILED);
}

// Whether out.txt can be replaced when it is each kind of entry.
TEST_F(PosixFilesTest, OutputReplacesOnlyWhatAPlainWriteCould) {
    const struct {
        const char* kind;
        void (*make)();
        bool replaced;
        const char* reason; // the system's words, when not replaced
    } cases[] = {
        {"directory", [] { fs::create_directory("out.txt"); }, false, "Is a directory"},
        {"fifo", [] { mkfifo("out.txt", 0644); }, false, "Not a regular file"},
        {"read-only file",
         [] {
             writeFile("out.txt", "old");
             chmod("out.txt", 0444);
         },
         false, "Permission denied"},
        {"writable file",
         [] {
             writeFile("out.txt", "old");
             chmod("out.txt", 0666);
         },
         true, ""},
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
            if (!c.replaced) {
                EXPECT_EQ(writeProblem(), c.reason);
            }
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

TEST_F(PosixFilesTest, OutputKeepsTheEarlierFileMode) {
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

// The user's own link is written through, unless it leads to a file being
// read (the bitmap): then the link itself is replaced.
TEST_F(PosixFilesTest, OutputThroughASymbolicLinkReplacesItsTargetUnlessItIsBeingRead) {
    fs::create_directory("elsewhere");
    for (const bool read : {false, true}) {
        SCOPED_TRACE(read ? "target being read" : "target not open");
        writeFile("elsewhere/real.txt", "old");
        fs::create_symlink("elsewhere/real.txt", "out.txt");
        if (read) {
            ASSERT_EQ(openFile("elsewhere/real.txt", FileMode::Binary, 1), FILE_OK);
        }
        ASSERT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OK);
        ASSERT_EQ(writeText(2, "new", 3), FILE_OK);
        ASSERT_EQ(closeFile(2), FILE_OK);
        closeAllFiles();
        EXPECT_EQ(fs::is_symlink("out.txt"), !read);
        EXPECT_EQ(readFile("elsewhere/real.txt"), read ? "old" : "new");
        EXPECT_EQ(readFile("out.txt"), "new");
        EXPECT_TRUE(temporaryFilesIn("elsewhere").empty());
        EXPECT_TRUE(temporaryFilesIn(".").empty());
        fs::remove("out.txt");
    }
}

// A data file whose directory's path takes nearly all of the system's limit:
// its temporary name, longer than its own, stays within the limit too.
TEST_F(PosixFilesTest, OutputNearThePathLimit) {
    constexpr std::size_t DIRECTORY_LENGTH = PATH_MAX - 16;
    std::string directory = ".";
    while (directory.size() < DIRECTORY_LENGTH) {
        const std::size_t room = DIRECTORY_LENGTH - directory.size() - 1;
        fs::create_directory(directory += "/" + std::string(std::min<std::size_t>(room, 250), 'd'));
    }
    // The data file of a bitmap at a path of 4,086 bytes.
    const std::string path = directory + "/x.bmp.txt";
    ASSERT_EQ(path.size(), PATH_MAX - 6u);
    for (const bool earlier : {false, true}) {
        SCOPED_TRACE(earlier ? "over an earlier file" : "a new file");
        ASSERT_EQ(openFile(path, FileMode::Output, 2), FILE_OK);
        ASSERT_EQ(writeText(2, "new", 3), FILE_OK);
        ASSERT_EQ(closeFile(2), FILE_OK);
        EXPECT_EQ(readFile(path), "new");
    }
}

// Another user's link beside the data file, in a directory anyone may write
// (such as /tmp), must not lead the write to the file it points at; the
// user's own link is followed, so an earlier data file kept elsewhere stays linked.
TEST_F(PosixFilesTest, OutputFollowsOnlyTheUsersOwnLinks) {
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can make a link owned by another user";
    for (const bool own : {true, false}) {
        SCOPED_TRACE(own ? "own link" : "another user's link");
        writeFile("victim", "old");
        fs::create_symlink("victim", "out.txt");
        if (!own) {
            ASSERT_EQ(lchown("out.txt", 65534, 65534), 0);
        }
        ASSERT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OK);
        ASSERT_EQ(writeText(2, "new", 3), FILE_OK);
        ASSERT_EQ(closeFile(2), FILE_OK);
        EXPECT_EQ(fs::is_symlink("out.txt"), own);
        EXPECT_EQ(readFile("victim"), own ? "new" : "old");
        EXPECT_EQ(readFile("out.txt"), "new");
        fs::remove("out.txt");
        fs::remove("victim");
    }
}

// Not even a kill that cannot be caught leaves a partial file: on Linux the
// data file has no name until it is complete.
TEST_F(PosixFilesTest, KilledWhileWritingLeavesNothing) {
    writeFile("out.txt", "old");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (openFile("out.txt", FileMode::Output, 2) != FILE_OK)
            _exit(1);
        const std::string text(3 * FILE_BUFFER_SIZE, 'x');
        writeText(2, text.data(), text.size());
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(readFile("out.txt"), "old");
#ifdef __linux__
    EXPECT_EQ(temporaryFilesIn("."), Names{});
#endif
}

TEST_F(PosixFilesTest, FailingWriteLeavesTheEarlierFileUntouched) {
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
        const int closed = closeFile(2);
        _exit(writeProblem() == std::strerror(EFBIG) ? closed : 102);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), FILE_SHORT_WRITE);
    EXPECT_EQ(readFile("out.txt"), "old");
    EXPECT_TRUE(temporaryFilesIn(".").empty());
}

TEST_F(PosixFilesTest, ProgramStaysInTheDirectoryItStartedIn) {
    EXPECT_EQ(startDirectory(), "");
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
        {"Z", "_x", -1}, // '_' sorts after the upper-case letters
        {"z", "_x", -1},
        {"ab", "abc", -1},
        {"ABC", "abd", -1},
        {"\xe4", "z", 1}, // bytes above
                          // ASCII stay as
                          // they are
        {"1", "a", -1},
    };
    for (const auto& c : cases) {
        const int result = compareNamesLikeNtfs(c.a, c.b);
        const int sign = result < 0 ? -1 : (result > 0 ? 1 : 0);
        EXPECT_EQ(sign, c.sign) << c.a << " vs " << c.b;
    }
}

// The names in the order sortIntoListingOrder gives them.
Names inListingOrder(const Names& names) {
    std::string bytes;
    std::vector<std::uint32_t> starts;
    for (const std::string& name : names) {
        starts.push_back(static_cast<std::uint32_t>(bytes.size()));
        bytes += name + '\0';
    }
    sortIntoListingOrder(bytes, starts);
    Names sorted;
    for (std::uint32_t start : starts)
        sorted.push_back(bytes.data() + start);
    return sorted;
}

// Names that tie in their first bytes, in case only, or end where another
// goes on, sorted at once and against the plain comparison.
TEST(HostNamesTest, ListingOrderIsTheNtfsOrderWithDotEntriesFirst) {
    // Long shared beginnings make names tie for several groups of bytes.
    const Names beginnings{"", "a", "A", "_", "~", "\xe4", "picture-", "PICTURE-", "IMG_2024-01-"};
    const Names endings{"", "1", "01", "a", "B", "0000000", "00000000", "x.bmp", "X.BMP", "-"};
    Names mixed{"..", "."};
    for (const std::string& beginning : beginnings) {
        for (const std::string& ending : endings) {
            const std::string name = beginning + ending;
            if (!name.empty() && std::find(mixed.begin(), mixed.end(), name) == mixed.end())
                mixed.push_back(name);
        }
    }
    mixed.push_back(".hidden");
    // Beginning with ".." is not being "..": "-" sorts before ".".
    mixed.push_back("..x.bmp");
    mixed.push_back("-a.bmp");
    // Enough names that a run is sorted a byte at a time: each number twice,
    // in both cases, alone and among the others.
    Names numbered{".", ".."};
    for (int i = 0; i < 2 * 751; ++i)
        numbered.push_back((i % 2 == 0 ? "img_" : "IMG_") + std::to_string(i * 7919 % 751));
    Names both = mixed;
    both.insert(both.end(), numbered.begin() + 2, numbered.end());
    for (const Names* names : {&mixed, &numbered, &both}) {
        Names expected = *names;
        std::sort(expected.begin() + 2, expected.end(),
                  [](const std::string& a, const std::string& b) {
                      return compareNamesLikeNtfs(a, b) < 0;
                  });
        if (expected[0] == "..")
            std::swap(expected[0], expected[1]);
        EXPECT_EQ(inListingOrder(*names), expected) << names->size() << " names";
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
