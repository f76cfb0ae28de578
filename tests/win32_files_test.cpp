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
#include "services/win32/listed_attributes.h"
#include "tests/support/file_test.h"
#include "tests/support/listing.h"
#include "tests/support/temp_directory.h"

// The file services over the Windows file system: the attributes it keeps,
// devices, names with backslashes, the root of drive C, and names outside the
// console's code page.

namespace {

namespace fs = std::filesystem;

class WindowsFilesTest : public FileTest {
  protected:
    // Read-only entries would outlive the directory's removal.
    void TearDown() override {
        FileTest::TearDown();
        for (const auto& item : fs::recursive_directory_iterator(directory_.path))
            SetFileAttributesA(item.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
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

// Wine keeps neither bit on folders, so the mapping is checked on its own.
TEST(WindowsFolderAttributes, OnlyHiddenOrSystemKeepAFolderOutOfTheListing) {
    const struct {
        const char* entry;
        std::uint32_t found;
        std::uint32_t listed;
    } cases[] = {
        {"read-only folder (Documents)", 0x11, 0x10},
        {"archived folder", 0x30, 0x10},
        {"read-only archived folder", 0x31, 0x10},
        {"folder not content-indexed", 0x2010, 0x10},
        {"hidden read-only folder", 0x13, 0x13},
        {"system folder", 0x14, 0x14},
        {"plain file", 0x80, 0},
        {"read-only archived bitmap", 0x21, 0x21},
    };
    for (const auto& c : cases)
        EXPECT_EQ(listedAttributes(c.found), c.listed) << c.entry;
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

TEST_F(WindowsFilesTest, TheRootOfDriveCEndsInTheSeparator) {
    ASSERT_EQ(changeDirectory("c:/"), 0);
    std::string root = currentDirectory();
    std::transform(root.begin(), root.end(), root.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    EXPECT_EQ(root, "C:" + pathSeparator());
}

// Names outside the code page the console shows: Cyrillic on a Western system.
class WideNamesTest : public WindowsFilesTest {
  protected:
    void SetUp() override {
        UINT codePage = GetConsoleOutputCP();
        if (codePage == 0)
            codePage = GetOEMCP();
        BOOL unshown = FALSE;
        char shown[8];
        if (codePage == CP_UTF8 ||
            WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, L"\u0441", 1, shown, sizeof shown,
                                "?", &unshown) == 0 ||
            !unshown)
            GTEST_SKIP() << "code page " << codePage << " shows Cyrillic";
    }
};

void writeWide(const std::wstring& name, const std::string& bytes) {
    std::FILE* file = _wfopen(name.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::string readWide(const std::wstring& name) {
    std::FILE* file = _wfopen(name.c_str(), L"rb");
    if (file == nullptr)
        return "(missing)";
    std::string bytes;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
        bytes += static_cast<char>(c);
    std::fclose(file);
    return bytes;
}

const std::wstring SNAPSHOT = L"\u0441\u043d\u0438\u043c\u043e\u043a.bmp";  // "snimok"
const std::wstring LANDSCAPE = L"\u043f\u0435\u0439\u0437\u0430\u0436.bmp"; // "peyzazh"
const std::wstring FOLDER = L"\u043f\u0430\u043f\u043a\u0430";              // "papka"

TEST_F(WideNamesTest, ABitmapAndAFolderOutsideTheCodePageAreReached) {
    writeWide(SNAPSHOT, "picture");
    fs::create_directory(FOLDER);
    EXPECT_EQ(listAll("*.bmp", 39), (Names{"??????.bmp"}));
    EXPECT_EQ(sortedListing("*", 16), (Names{".", "..", "?????"}));

    ASSERT_EQ(openFile("??????.bmp", FileMode::Binary, 1), FILE_OK);
    std::uint8_t byte = 0;
    readByte(1, byte);
    EXPECT_EQ(byte, 'p');
    EXPECT_EQ(closeFile(1), FILE_OK);
    // The data file goes beside the bitmap under its real name.
    ASSERT_EQ(openFile("??????.bmp.txt", FileMode::Output, DATA_FILE_NUMBER), FILE_OK);
    ASSERT_EQ(writeText(DATA_FILE_NUMBER, "data", 4), FILE_OK);
    ASSERT_EQ(closeFile(DATA_FILE_NUMBER), FILE_OK);
    EXPECT_EQ(readWide(SNAPSHOT + L".txt"), "data");
    EXPECT_TRUE(temporaryFilesIn(".").empty());

    const std::string parent = currentDirectory();
    ASSERT_EQ(changeDirectory("?????"), 0);
    EXPECT_EQ(currentDirectory(), parent + pathSeparator() + "?????");
}

TEST_F(WideNamesTest, TwoNamesThatShowTheSameAreToldApart) {
    writeWide(SNAPSHOT, "1");
    writeWide(LANDSCAPE, "2");
    const Names listed = listAll("*.bmp", 39);
    EXPECT_EQ(listed, listAll("*.bmp", 39)) << "the same on every listing";
    Names sorted = listed;
    std::sort(sorted.begin(), sorted.end());
    ASSERT_EQ(sorted, (Names{"??????.bmp", "??????~2.bmp"}));
    // Each shown name reaches its own bitmap, and its data file lands beside that one.
    for (const std::string& name : listed) {
        SCOPED_TRACE(name);
        ASSERT_EQ(openFile(name, FileMode::Binary, 1), FILE_OK);
        std::uint8_t byte = 0;
        readByte(1, byte);
        closeFile(1);
        ASSERT_EQ(openFile(name + ".txt", FileMode::Output, DATA_FILE_NUMBER), FILE_OK);
        writeText(DATA_FILE_NUMBER, reinterpret_cast<const char*>(&byte), 1);
        ASSERT_EQ(closeFile(DATA_FILE_NUMBER), FILE_OK);
    }
    EXPECT_EQ(readWide(SNAPSHOT + L".txt"), "1");
    EXPECT_EQ(readWide(LANDSCAPE + L".txt"), "2");
}

} // namespace
