#include <gtest/gtest.h>

#include <filesystem>

#include "app/driver.h"
#include "services/files.h"
#include "tests/fakes/fakes.h"
#include "tests/support/bitmaps.h"
#include "tests/support/temp_directory.h"

namespace {

// The whole program over the fake screen and keyboard, in a directory holding
// ".", "..", then the bitmaps "a.bmp" (24-bit), "b.bmp" (8-bit) and "c.bmp" (text).
class DriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetFakeSurface();
        resetFakeKeyboard();
        closeAllFiles();
        writeFile("a.bmp", makeBitmap({2, 2}));
        writeFile("b.bmp", makeBitmap({2, 2, 1, 8}));
        writeFile("c.bmp", "not a picture");
    }
    // Presses key after key at the given times, Esc last.
    int run(std::initializer_list<std::pair<std::int64_t, KeyCode>> keys, std::int64_t escapeAt = 100000) {
        for (const auto& [time, key] : keys)
            scheduleKey(time, key);
        scheduleKey(escapeAt, KEY_ESCAPE);
        return runProgram();
    }
    std::string screenText() {
        std::string text;
        for (int r = 1; r <= 25; ++r)
            text += rowText(fakeSurface().screen, r) + "\n";
        return text;
    }
    TemporaryDirectory directory;
    std::string here = std::filesystem::current_path().string();
};

TEST_F(DriverTest, EscOnTheFirstScreenEndsAtOnce) {
    EXPECT_EQ(run({}, 0), 0);
    EXPECT_EQ(fakeNowMs(), 0);
}

TEST_F(DriverTest, WrongDepthShowsItsMessageForOneSecondThenTheSameHighlight) {
    EXPECT_EQ(run({{0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_ENTER}}, 5000), 0);
    EXPECT_GE(fakeNowMs(), 1000);
    const std::string screen = screenText();
    EXPECT_EQ(screen.find("you can only use 24Bit"), std::string::npos) << "the browser is drawn again";
    EXPECT_EQ(rowText(fakeSurface().screen, 25).substr(0, here.size() + 6), here + "/b.bmp");
}

TEST_F(DriverTest, KeyDuringTheMessageCutsTheWaitShortAndIsReadNext) {
    EXPECT_EQ(run({{0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_ENTER}}, 300), 0);
    EXPECT_LT(fakeNowMs(), 400);
}

TEST_F(DriverTest, NotABitmapEndsTheProgramAfterTwoSeconds) {
    EXPECT_EQ(run({{0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_ENTER}}), 0);
    EXPECT_GE(fakeNowMs(), 2000);
    EXPECT_LT(fakeNowMs(), 100000) << "the program ended before Esc";
    EXPECT_NE(screenText().find("Falsches Bildformat!!!!"), std::string::npos);
}

TEST_F(DriverTest, ConversionWritesTheFileAndSaysDone) {
    EXPECT_EQ(run({{0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_ENTER}}), 0);
    EXPECT_GE(fakeNowMs(), 1000);
    EXPECT_LT(fakeNowMs(), 100000);
    EXPECT_EQ(rowText(fakeSurface().screen, 15).substr(9, 48), "0%============================>100% !!! Done !!!");
    EXPECT_NE(readFile("a.bmp.txt").find("data 2, 2\r\n"), std::string::npos);
}

TEST_F(DriverTest, DataFileThatCannotBeWrittenEndsWithCodeOne) {
    std::filesystem::create_directory("a.bmp.txt");
    // The directory is listed first, so the bitmap is one entry further down.
    EXPECT_EQ(run({{0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_ENTER}}), 1);
    EXPECT_GE(fakeNowMs(), 2000);
    const std::string screen = screenText();
    EXPECT_NE(screen.find("!!! Error: could not write a.bmp.txt !!!"), std::string::npos);
    EXPECT_EQ(screen.find("Done"), std::string::npos);
}

} // namespace
