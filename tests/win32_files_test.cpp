#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "services/files.h"
#include "tests/support/listing.h"
#include "tests/support/temp_directory.h"

// The file services over the Windows runtime: the attributes the file system
// keeps, devices, names with backslashes, and the drive the program starts on.

namespace {

namespace fs = std::filesystem;

class WindowsFilesTest : public ::testing::Test {
  protected:
    // Read-only entries would outlive the directory's removal.
    void TearDown() override {
        closeAllFiles();
        for (const auto& item : fs::recursive_directory_iterator(directory_.path))
            SetFileAttributesA(item.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    TemporaryDirectory directory_;
};

DWORD attributesOf(const std::string& name) {
    return GetFileAttributesA(name.c_str());
}

TEST_F(WindowsFilesTest, AttributesDecideWhichMaskListsAnEntry) {
    const struct {
        const char* name;
        bool directory;
        DWORD attributes;
    } entries[] = {
        {"plain", true, FILE_ATTRIBUTE_DIRECTORY},
        {"hidden", true, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN},
        {"system", true, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM},
        {"p.bmp", false, FILE_ATTRIBUTE_ARCHIVE},
        {"r.bmp", false, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY},
        {"h.bmp", false, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN},
        {"s.bmp", false, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM},
    };
    for (const auto& entry : entries) {
        if (entry.directory)
            fs::create_directory(entry.name);
        else
            writeFile(entry.name, "");
        ASSERT_NE(SetFileAttributesA(entry.name, entry.attributes), 0) << entry.name;
        ASSERT_EQ(attributesOf(entry.name), entry.attributes) << entry.name;
    }
    EXPECT_EQ(sortedListing("*", 16), (Names{".", "..", "plain"}));
    EXPECT_EQ(sortedListing("*.bmp", 39), (Names{"h.bmp", "p.bmp", "r.bmp", "s.bmp"}));
}

TEST_F(WindowsFilesTest, OutputReplacesOnlyWhatARenameMay) {
    const struct {
        const char* kind;
        bool directory;
        DWORD attributes;
        bool replaced;
    } cases[] = {
        {"directory", true, FILE_ATTRIBUTE_DIRECTORY, false},
        {"read-only file", false, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, false},
        {"plain file", false, FILE_ATTRIBUTE_ARCHIVE, true},
        {"hidden file", false, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN, true},
        {"system file", false, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        if (c.directory)
            fs::create_directory("out.txt");
        else
            writeFile("out.txt", "old");
        ASSERT_NE(SetFileAttributesA("out.txt", c.attributes), 0);
        EXPECT_EQ(openFile("out.txt", FileMode::Output, 2),
                  c.replaced ? FILE_OK : FILE_OPEN_FAILED);
        writeText(2, "new", 3);
        EXPECT_EQ(closeFile(2), c.replaced ? FILE_OK : FILE_NOT_OPEN);
        if (!c.directory) {
            EXPECT_EQ(readFile("out.txt"), c.replaced ? "new" : "old");
        }
        // The hidden and system bits stay; a new file is archived.
        EXPECT_EQ(attributesOf("out.txt") & ~FILE_ATTRIBUTE_ARCHIVE,
                  c.attributes & ~FILE_ATTRIBUTE_ARCHIVE);
        EXPECT_TRUE(temporaryFilesIn(".").empty());
        SetFileAttributesA("out.txt", FILE_ATTRIBUTE_NORMAL);
        fs::remove_all("out.txt");
    }
}

TEST_F(WindowsFilesTest, DevicesAreNeitherReadNorReplaced) {
    for (const char* device : {"NUL", "nul", "CON"}) {
        SCOPED_TRACE(device);
        EXPECT_EQ(openFile(device, FileMode::Binary, 1), FILE_OPEN_FAILED);
        EXPECT_EQ(openFile(device, FileMode::Output, 2), FILE_OPEN_FAILED);
        EXPECT_EQ(freeFileNumber(), 1);
        EXPECT_TRUE(temporaryFilesIn(".").empty());
    }
}

TEST_F(WindowsFilesTest, OutputBehindABackslashKeepsItsTemporaryThere) {
    fs::create_directory("sub");
    ASSERT_EQ(openFile("sub\\out.txt", FileMode::Output, 2), FILE_OK);
    EXPECT_EQ(temporaryFilesIn("sub").size(), 1u);
    EXPECT_TRUE(temporaryFilesIn(".").empty());
    ASSERT_EQ(writeText(2, "new", 3), FILE_OK);
    ASSERT_EQ(closeFile(2), FILE_OK);
    EXPECT_EQ(readFile("sub/out.txt"), "new");
    EXPECT_TRUE(temporaryFilesIn("sub").empty());
}

// The console's control handler runs on a thread of its own while the main
// thread still holds the data file open.
TEST_F(WindowsFilesTest, TemporaryIsRemovedFromAnotherThreadWhileOpen) {
    writeFile("out.txt", "old");
    ASSERT_EQ(openFile("out.txt", FileMode::Output, 2), FILE_OK);
    ASSERT_EQ(writeText(2, "new", 3), FILE_OK);
    std::thread handler(removeUnfinishedFiles);
    handler.join();
    const std::string more(2 * FILE_BUFFER_SIZE, 'x');
    writeText(2, more.data(), more.size());
    EXPECT_NE(closeFile(2), FILE_OK);
    EXPECT_TRUE(temporaryFilesIn(".").empty());
    EXPECT_EQ(readFile("out.txt"), "old");
}

TEST_F(WindowsFilesTest, StartDirectoryIsTheRootOfDriveC) {
    ASSERT_EQ(changeDirectory(startDirectory()), 0);
    std::string root = currentDirectory();
    std::transform(root.begin(), root.end(), root.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    EXPECT_EQ(root, "C:" + pathSeparator());
}

} // namespace
