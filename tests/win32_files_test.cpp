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
#include "services/host/host.h"
#include "services/win32/listed_attributes.h"
#include "services/win32/wide_names.h"
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
    EXPECT_EQ(sortedListing("*", DIRECTORY_MASK), (Names{".", "..", "plain"}));
    EXPECT_EQ(sortedListing("*.bmp", FILE_MASK), (Names{"h.bmp", "p.bmp", "r.bmp", "s.bmp"}));
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
    std::thread handler(hostRemoveUnfinishedReplacements);
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

// False when the file system does not take the name.
bool writeWide(const std::wstring& name, const std::string& bytes) {
    std::FILE* file = _wfopen(name.c_str(), L"wb");
    if (file == nullptr)
        return false;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    return std::fclose(file) == 0;
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

// Names outside the ANSI code page reach the logic as UTF-8 and lead back to
// the same files: Cyrillic, CJK, a character beyond the first plane, and a
// lone surrogate, which NTFS takes (Wine's file systems do not).
TEST_F(WindowsFilesTest, EveryNameReachesTheLogicAsUtf8AndLeadsBack) {
    const struct {
        std::wstring wide;
        std::string utf8;
        bool everywhere;
    } cases[] = {
        {L"\u0441\u043d\u0438\u043c\u043e\u043a.bmp",
         "\xD1\x81\xD0\xBD\xD0\xB8\xD0\xBC\xD0\xBE\xD0\xBA.bmp", true},
        {L"\u65E5\u672C.bmp", "\xE6\x97\xA5\xE6\x9C\xAC.bmp", true},
        {L"\xD83D\xDE00.bmp", "\xF0\x9F\x98\x80.bmp", true},
        {L"\xD800x.bmp", "\xED\xA0\x80x.bmp", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        if (!writeWide(c.wide, "picture")) {
            EXPECT_FALSE(c.everywhere) << "the file system refused the name";
            continue;
        }
        EXPECT_EQ(listAll("*.bmp", FILE_MASK), (Names{c.utf8}));
        ASSERT_EQ(openFile(c.utf8, FileMode::Binary, 1), FILE_OK);
        std::uint8_t byte = 0;
        readByte(1, byte);
        EXPECT_EQ(byte, 'p');
        EXPECT_EQ(closeFile(1), FILE_OK);
        // The data file goes beside the bitmap under its real name.
        ASSERT_EQ(openFile(c.utf8 + ".txt", FileMode::Output, DATA_FILE_NUMBER), FILE_OK);
        ASSERT_EQ(writeText(DATA_FILE_NUMBER, "data", 4), FILE_OK);
        ASSERT_EQ(closeFile(DATA_FILE_NUMBER), FILE_OK);
        EXPECT_EQ(readWide(c.wide + L".txt"), "data");
        EXPECT_TRUE(temporaryFilesIn(".").empty());
        fs::remove(c.wide);
        fs::remove(c.wide + L".txt");
    }
}

// The conversion behind every name, lone surrogates included, both ways.
TEST(WideNames, Utf16AndUtf8ConvertWithoutLoss) {
    const struct {
        std::wstring wide;
        std::string utf8;
    } cases[] = {
        {L"a\u00E9\u65E5", "a\xC3\xA9\xE6\x97\xA5"},
        {L"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
        {L"\xD800x", "\xED\xA0\x80x"},
        {L"x\xDC00", "x\xED\xB0\x80"},
        {L"\xDC00\xD800", "\xED\xB0\x80\xED\xA0\x80"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(utf8Of(c.wide), c.utf8);
        EXPECT_EQ(wideOf(c.utf8), c.wide);
    }
    EXPECT_EQ(wideOf("a\xFF\xC3"), L"a\uFFFD\uFFFD") << "bytes of no UTF-8";
}

TEST_F(WindowsFilesTest, FoldersOutsideTheCodePageAreEntered) {
    const std::string folder = "\xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0"; // "papka"
    fs::create_directory(L"\u043f\u0430\u043f\u043a\u0430");
    EXPECT_EQ(sortedListing("*", DIRECTORY_MASK), (Names{".", "..", folder}));
    const std::string parent = currentDirectory();
    ASSERT_EQ(changeDirectory(folder), 0);
    EXPECT_EQ(currentDirectory(), parent + pathSeparator() + folder);
}

// The data file's "originalname" keeps the ANSI code page's form of a name.
TEST(WindowsNameAsText, TheAnsiCodePageWithQuestionMarks) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not the Western one";
    EXPECT_EQ(nameAsText("plain.bmp"), "plain.bmp");
    EXPECT_EQ(nameAsText("\xD1\x81\xD0\xBD\xD0\xB8\xD0\xBC\xD0\xBE\xD0\xBA.bmp"), "??????.bmp");
}

} // namespace
