#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/driver.h"
#include "services/files.h"
#include "tests/fakes/fakes.h"
#include "tests/support/temp_directory.h"
#include "tools/bitmap_writer.h"

namespace {

// The whole program over the fake screen and keyboard, in a directory holding
// ".", "..", then the bitmaps "a.bmp" (24-bit), "b.bmp" (8-bit) and "c.bmp" (text).
// The test build has no start directory of its own, so the program starts there.
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
    int run(std::initializer_list<std::pair<std::int64_t, KeyCode>> keys,
            std::int64_t escapeAt = 100000) {
        for (const auto& [time, key] : keys)
            scheduleKey(time, key);
        scheduleKey(escapeAt, KEY_ESCAPE);
        return runProgram();
    }
    std::string screenText() {
        std::string text;
        for (int r = 1; r <= 25; ++r)
            text += rowText(surfaceModel(), r) + "\n";
        return text;
    }
    TemporaryDirectory directory;
    std::string here = std::filesystem::current_path().string();
};

TEST_F(DriverTest, EscOnTheFirstScreenEndsAtOnce) {
    EXPECT_EQ(run({}, 0), 0);
    EXPECT_EQ(fakeNowMs(), 0);
}

const std::initializer_list<std::pair<std::int64_t, KeyCode>> PICK_A = {
    {0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_ENTER}};
const std::initializer_list<std::pair<std::int64_t, KeyCode>> PICK_B = {
    {0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_ENTER}};
const std::initializer_list<std::pair<std::int64_t, KeyCode>> PICK_C = {
    {0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_DOWN}, {0, KEY_ENTER}};

TEST_F(DriverTest, RefusedBitmapIsNamedForOneSecondThenTheSameHighlight) {
    const struct {
        const char* name;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"b.bmp", makeBitmap({2, 2, 1, 8}), "8Bit Bitmap - you can only use 24Bit Bitmaps"},
        {"b.bmp", makeBitmap({177, 1}), "Wrong Bitmap size - only 1x1 to 176x132 are allowed !!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        SetUp();
        writeFile(c.name, c.bytes);
        EXPECT_EQ(run(PICK_B, 5000), 0);
        const std::vector<std::int64_t>& times = fakeSurface().presentTimes;
        // Shown at 0, the browser back at exactly 1000, Esc at 5000.
        ASSERT_GE(times.size(), 2u);
        EXPECT_EQ(times[times.size() - 2], 0);
        EXPECT_EQ(times.back(), 1000);
        EXPECT_EQ(fakeNowMs(), 5000);
        EXPECT_EQ(screenText().find(c.message), std::string::npos) << "the browser is drawn again";
        EXPECT_EQ(rowText(surfaceModel(), 25).substr(0, here.size() + 6),
                  here + pathSeparator() + "b.bmp");
    }
}

TEST_F(DriverTest, KeyDuringAWaitCutsOnlyThatWaitShort) {
    const struct {
        std::initializer_list<std::pair<std::int64_t, KeyCode>> keys;
        std::int64_t keyAt, endsAt;
        int exitCode;
    } cases[] = {
        {PICK_B, 300, 300, 0},  // Esc cuts the message's wait and is then read by the browser
        {PICK_C, 300, 1300, 0}, // two waits after a bad format: the key shortens the first
        {PICK_A, 300, 300, 0},  // the wait after "!!! Done !!!"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.endsAt);
        SetUp();
        EXPECT_EQ(run(c.keys, c.keyAt), c.exitCode);
        EXPECT_EQ(fakeNowMs(), c.endsAt);
    }
}

TEST_F(DriverTest, NotABitmapEndsTheProgramAfterTwoSeconds) {
    EXPECT_EQ(run(PICK_C), 0);
    EXPECT_EQ(fakeNowMs(), 2000);
    EXPECT_NE(screenText().find("Falsches Bildformat!!!!"), std::string::npos);
}

TEST_F(DriverTest, ConversionWritesTheFileAndSaysDone) {
    EXPECT_EQ(run(PICK_A), 0);
    EXPECT_EQ(fakeNowMs(), 1000);
    EXPECT_EQ(rowText(surfaceModel(), 15).substr(9, 48),
              "0%============================>100% !!! Done !!!");
    EXPECT_NE(readFile("a.bmp.txt").find("data 2, 2\r\n"), std::string::npos);
}

TEST_F(DriverTest, DataFileThatCannotBeWrittenEndsWithCodeOne) {
    std::filesystem::create_directory("a.bmp.txt");
    // The directory is listed first, so the bitmap is one entry further down.
    EXPECT_EQ(run(PICK_B), 1);
    EXPECT_EQ(fakeNowMs(), 2000);
    const std::string screen = screenText();
    EXPECT_NE(screen.find("!!! Error: could not write a.bmp.txt !!!"), std::string::npos);
    EXPECT_EQ(screen.find("Done"), std::string::npos);
}

} // namespace
