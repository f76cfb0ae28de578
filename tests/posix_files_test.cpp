#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "services/files.h"
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
    EXPECT_EQ(listAll("*", 16), (Names{".", "..", "#1", "-old", "sub"}));
    EXPECT_EQ(listAll("*", 39), (Names{"A", "a", "b", "_x"}));
}

TEST_F(PosixFilesTest, DirectoryMaskLeavesOutHiddenDirectoriesAndFiles) {
    fs::create_directory("photos");
    fs::create_directory(".git");
    writeFile("x.bmp", "");
    EXPECT_EQ(listAll("*", 16), (Names{".", "..", "photos"}));
}

TEST_F(PosixFilesTest, ContinuingCallKeepsTheStartingMask) {
    fs::create_directory("dir");
    writeFile("file.bmp", "");
    EXPECT_EQ(listDirectory("*", 16), ".");
    EXPECT_EQ(listDirectory("", 39), "..");
    EXPECT_EQ(listDirectory("", 39), "dir");
    EXPECT_EQ(listDirectory("", 39), "");
}

TEST_F(PosixFilesTest, RestartBeginsFromTheFirstEntry) {
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

TEST_F(PosixFilesTest, FifoIsListedByNeitherMask) {
    ASSERT_EQ(mkfifo("p.bmp", 0600), 0);
    writeFile("q.bmp", "");
    EXPECT_EQ(listAll("*.bmp", 39), (Names{"q.bmp"}));
    EXPECT_EQ(listAll("*.bmp", 16), (Names{}));
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
    EXPECT_EQ(listInNewPass("*.bmp", 39), (Names{"a.bmp"}));
    EXPECT_EQ(listInNewPass("*.bmp", 39), (Names{"a.bmp"}));
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
        listInNewPass("*", 16);
        c.make();
        EXPECT_EQ(listInNewPass("*.bmp", 39), c.bitmaps);
        EXPECT_EQ(listAll("*", 16), c.directories);
    }
}

// A redraw counts the entries in one pair of listings and draws them in
// another: both pairs show the directory as the pass's first listing found it.
TEST_F(PosixFilesTest, ListingsOfOnePassShowOneInstant) {
    writeFile("a.bmp", "");
    beginDirectoryPass();
    EXPECT_EQ(listAll("*", 16), (Names{".", ".."}));
    writeFile("b.bmp", "");
    fs::create_directory("d");
    EXPECT_EQ(listAll("*.bmp", 39), (Names{"a.bmp"}));
    EXPECT_EQ(listAll("*", 16), (Names{".", ".."}));
    fs::remove("a.bmp");
    EXPECT_EQ(listAll("*.bmp", 39), (Names{"a.bmp"}));
    EXPECT_EQ(listInNewPass("*", 16), (Names{".", "..", "d"}));
    EXPECT_EQ(listAll("*.bmp", 39), (Names{"b.bmp"}));
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
    EXPECT_EQ(listInNewPass("*.bmp", 39),
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
    EXPECT_EQ(listInNewPass("*.bmp", 39), (Names{"link.bmp"}));
    // The target becomes a directory; the listed directory itself is unchanged.
    fs::remove("../target");
    fs::create_directory("../target");
    EXPECT_EQ(listInNewPass("*.bmp", 39), Names{});
    EXPECT_EQ(listAll("*", 16), (Names{".", "..", "link.bmp"}));
}

TEST_F(PosixFilesTest, ChangeAndReadCurrentDirectory) {
    fs::create_directory("inner");
    EXPECT_EQ(fs::path(currentDirectory()), fs::canonical(directory_.path));
    EXPECT_EQ(changeDirectory("inner"), 0);
    EXPECT_EQ(fs::path(currentDirectory()), fs::canonical(directory_.path / "inner"));
    EXPECT_EQ(changeDirectory("missing"), -1);
    EXPECT_EQ(changeDirectory(".."), 0);
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
    } cases[] = {
        {"directory", [] { fs::create_directory("out.txt"); }, false},
        {"fifo", [] { mkfifo("out.txt", 0644); }, false},
        {"read-only file",
         [] {
             writeFile("out.txt", "old");
             chmod("out.txt", 0444);
         },
         false},
        {"writable file",
         [] {
             writeFile("out.txt", "old");
             chmod("out.txt", 0666);
         },
         true},
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

TEST_F(PosixFilesTest, OutputThroughASymbolicLinkReplacesItsTarget) {
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

// A signal handler removes the unfinished file; a close after it puts nothing in place.
TEST_F(PosixFilesTest, UnfinishedOutputIsRemoved) {
    writeFile("out.txt", "old");
    ASSERT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OK);
    ASSERT_EQ(writeText(2, "new", 3), FILE_OK);
    removeUnfinishedFiles();
    EXPECT_TRUE(temporaryFilesIn(".").empty());
    EXPECT_EQ(closeFile(2), FILE_SHORT_WRITE);
    EXPECT_TRUE(temporaryFilesIn(".").empty());
    EXPECT_EQ(readFile("out.txt"), "old");
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
        _exit(closeFile(2));
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

} // namespace
