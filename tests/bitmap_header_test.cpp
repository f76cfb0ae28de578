#include <gtest/gtest.h>

#include <filesystem>

#include "convert/bitmap_header.h"
#include "services/files.h"
#include "tests/support/temp_directory.h"
#include "tools/bitmap_writer.h"

namespace {

class BitmapHeaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        closeAllFiles();
        state.fileNumber = freeFileNumber();
    }
    void TearDown() override { closeAllFiles(); }
    HeaderVerdict verdictOf(const std::string& bytes) {
        writeFile("pic.bmp", bytes);
        return readBitmapHeader(state, "pic.bmp");
    }
    TemporaryDirectory directory;
    BitmapReading state;
};

struct VerdictCase {
    const char* name;
    BitmapLayout layout;
    HeaderVerdict verdict;
};

TEST_F(BitmapHeaderTest, VerdictsOfWholeFiles) {
    const VerdictCase cases[] = {
        {"largest accepted", {176, 132}, HeaderVerdict::Ok},
        {"smallest accepted", {1, 1}, HeaderVerdict::Ok},
        {"177 wide", {177, 1}, HeaderVerdict::WrongSize},
        {"133 high", {1, 133}, HeaderVerdict::WrongSize},
        {"0 wide", {0, 5}, HeaderVerdict::WrongSize},
        {"0 high", {5, 0}, HeaderVerdict::WrongSize},
        {"top-down", {10, -132}, HeaderVerdict::WrongSize},
        {"65537 wide reads as 1 in 16 bits", {65537, 1}, HeaderVerdict::WrongSize},
        {"108-byte header", {8, 8, 1, 24, 108}, HeaderVerdict::BadFormat},
        {"124-byte header", {8, 8, 1, 24, 124}, HeaderVerdict::BadFormat},
        {"8-bit", {8, 8, 1, 8}, HeaderVerdict::WrongDepth},
        {"32-bit", {8, 8, 1, 32}, HeaderVerdict::WrongDepth},
        {"plane count 2 and too wide", {500, 8, 2}, HeaderVerdict::WrongSize},
        {"plane count 2", {8, 8, 2}, HeaderVerdict::BadFormat},
        {"offset below the header", {8, 8, 1, 24, 40, 50}, HeaderVerdict::BadFormat},
        {"run-length compressed", {8, 8, 1, 24, 40, 54, 1}, HeaderVerdict::BadFormat},
        {"bit fields", {8, 8, 1, 24, 40, 54, 3}, HeaderVerdict::BadFormat},
        {"JPEG inside", {8, 8, 1, 24, 40, 54, 4}, HeaderVerdict::BadFormat},
        {"compression in its second byte", {8, 8, 1, 24, 40, 54, 0x100}, HeaderVerdict::BadFormat},
        {"compressed 8-bit is refused for its depth",
         {8, 8, 1, 8, 40, 54, 1},
         HeaderVerdict::WrongDepth},
    };
    for (const VerdictCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(verdictOf(makeBitmap(c.layout)), c.verdict);
        closeAllFiles();
    }
}

TEST_F(BitmapHeaderTest, OkLeavesTheFileAtTheFirstPixel) {
    std::string bytes = makeBitmap({176, 132});
    bytes[54] = '\x11';
    ASSERT_EQ(verdictOf(bytes), HeaderVerdict::Ok);
    EXPECT_EQ(state.info.width, 176);
    EXPECT_EQ(state.info.height, 132);
    std::uint8_t byte = 0;
    readByte(state.fileNumber, byte);
    EXPECT_EQ(byte, 0x11);
}

TEST_F(BitmapHeaderTest, PixelsStartAtTheDataOffset) {
    std::string bytes = makeBitmap({2, 2, 1, 24, 40, 60});
    bytes[60] = '\x22';
    ASSERT_EQ(verdictOf(bytes), HeaderVerdict::Ok);
    std::uint8_t byte = 0;
    readByte(state.fileNumber, byte);
    EXPECT_EQ(byte, 0x22);
}

TEST_F(BitmapHeaderTest, WrongDepthCarriesTheBitCountAndClosesTheFile) {
    EXPECT_EQ(verdictOf(makeBitmap({8, 8, 1, 8})), HeaderVerdict::WrongDepth);
    EXPECT_EQ(state.headerByte, 8);
    EXPECT_EQ(freeFileNumber(), state.fileNumber);
    const BitmapInfo info = peekBitmapHeader("pic.bmp", state.fileNumber);
    EXPECT_EQ(info.bitsPerPixel, 8);
    EXPECT_EQ(info.width, 8);
}

TEST_F(BitmapHeaderTest, FileCutAtEveryLength) {
    const std::string whole = makeBitmap({4, 2});
    for (std::size_t length = 0; length <= whole.size(); ++length) {
        SCOPED_TRACE(length);
        HeaderVerdict expected = HeaderVerdict::BadFormat;
        if (length >= 15 && length <= 22)
            expected = HeaderVerdict::WrongSize;
        else if (length == 27 || length == 28)
            expected = HeaderVerdict::WrongDepth;
        else if (length == whole.size())
            expected = HeaderVerdict::Ok;
        state.headerByte = 0;
        EXPECT_EQ(verdictOf(whole.substr(0, length)), expected);
        if (expected == HeaderVerdict::WrongDepth) {
            EXPECT_EQ(state.headerByte, 0);
        }
        closeAllFiles();

        const BitmapInfo info = peekBitmapHeader("pic.bmp", state.fileNumber);
        bool planesRead = length >= 27;
        EXPECT_EQ(info.width, planesRead ? 4 : 0);
        EXPECT_EQ(info.height, planesRead ? 2 : 0);
        EXPECT_EQ(info.bitsPerPixel, length >= 29 ? 24 : 0);
    }
}

TEST_F(BitmapHeaderTest, LastRowNeedsNoPadding) {
    std::string bytes = makeBitmap({3, 2});
    bytes.resize(bytes.size() - 3); // the padding of the last row
    EXPECT_EQ(verdictOf(bytes), HeaderVerdict::Ok);
    closeAllFiles();
    bytes.resize(bytes.size() - 1);
    EXPECT_EQ(verdictOf(bytes), HeaderVerdict::BadFormat);
}

TEST_F(BitmapHeaderTest, TextFileAndMissingName) {
    writeFile("x.bmp", "hello, this is text and not a picture at all........................");
    const BitmapInfo text = peekBitmapHeader("x.bmp", state.fileNumber);
    EXPECT_EQ(text.width + text.height + text.bitsPerPixel, 0);
    EXPECT_EQ(readBitmapHeader(state, "x.bmp"), HeaderVerdict::BadFormat);
    closeAllFiles();

    EXPECT_EQ(readBitmapHeader(state, "missing.bmp"), HeaderVerdict::BadFormat);
    EXPECT_EQ(peekBitmapHeader("missing.bmp", state.fileNumber).width, 0);
    EXPECT_FALSE(std::filesystem::exists("missing.bmp"));
}

} // namespace
