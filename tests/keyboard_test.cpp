#include <gtest/gtest.h>

#include "services/keyboard.h"
#include "tests/fakes/fakes.h"

namespace {

class KeyboardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetFakeSurface();
        resetFakeKeyboard();
    }
};

// 512 keys typed before any is read: the first is lost, the other 511 come
// out in order.
TEST_F(KeyboardTest, FullQueueLosesItsOldestKey) {
    for (int key = 1; key <= 512; ++key)
        scheduleKey(0, static_cast<KeyCode>(key));
    for (int expected = 2; expected <= 512; ++expected)
        ASSERT_EQ(readKey(), expected);
    endFakeInputAt(0);
    EXPECT_EQ(readKey(), KEY_ESCAPE) << "nothing more waits";
}

TEST_F(KeyboardTest, ReadKeyWaitsForTheNextKeyInOrder) {
    scheduleKey(120, KEY_DOWN);
    scheduleKey(130, KEY_ENTER);
    EXPECT_EQ(readKey(), KEY_DOWN);
    EXPECT_GE(fakeNowMs(), 120);
    EXPECT_LE(fakeNowMs(), 170);
    EXPECT_EQ(readKey(), KEY_ENTER);
}

// Keys typed while a notice stands in place of the screen act on nothing
// the user saw: only Esc is taken.
TEST_F(KeyboardTest, OnlyEscIsTakenWhileTheScreenIsNotSeen) {
    fakeSurface().shown = false;
    scheduleKey(0, KEY_DOWN);
    scheduleKey(0, KEY_ENTER);
    scheduleKey(10, KEY_ESCAPE);
    EXPECT_EQ(readKey(), KEY_ESCAPE);
    fakeSurface().shown = true;
    scheduleKey(20, KEY_UP);
    EXPECT_EQ(readKey(), KEY_UP);
}

TEST_F(KeyboardTest, ReadKeyFlushesTheScreenBeforeWaiting) {
    scheduleKey(0, KEY_UP);
    readKey();
    EXPECT_GE(fakeSurface().presents, 1);
}

TEST_F(KeyboardTest, WaitWithoutKeyRunsItsTime) {
    sleepMs(1000);
    EXPECT_EQ(fakeNowMs(), 1000);
}

TEST_F(KeyboardTest, KeyEndsTheWaitWithinAStepAndStaysQueued) {
    scheduleKey(300, 'x');
    sleepMs(1000);
    EXPECT_GE(fakeNowMs(), 300);
    EXPECT_LE(fakeNowMs(), 350);
    EXPECT_EQ(readKey(), 'x');
}

TEST_F(KeyboardTest, OneKeyShortensOnlyOneOfTwoWaits) {
    scheduleKey(300, 'x');
    sleepMs(1000);
    std::int64_t afterFirst = fakeNowMs();
    sleepMs(1000);
    EXPECT_EQ(fakeNowMs() - afterFirst, 1000);
    EXPECT_EQ(readKey(), 'x');
}

TEST_F(KeyboardTest, KeyTypedBeforeReadKeyDoesNotShortenTheNextWait) {
    scheduleKey(0, 'a');
    scheduleKey(0, 'b');
    EXPECT_EQ(readKey(), 'a');
    std::int64_t start = fakeNowMs();
    sleepMs(1000);
    EXPECT_EQ(fakeNowMs() - start, 1000);
    EXPECT_EQ(readKey(), 'b');
}

TEST_F(KeyboardTest, ShortWaitsIgnoreKeys) {
    scheduleKey(10, 'x');
    sleepMs(99);
    EXPECT_EQ(fakeNowMs(), 99);
    sleepMs(0);
    sleepMs(-5);
    EXPECT_EQ(fakeNowMs(), 99);
}

TEST_F(KeyboardTest, EndOfInputReadsAsEscape) {
    scheduleKey(10, 'q');
    endFakeInputAt(20);
    EXPECT_EQ(readKey(), 'q');
    EXPECT_EQ(readKey(), KEY_ESCAPE);
    EXPECT_EQ(readKey(), KEY_ESCAPE);
}

TEST_F(KeyboardTest, WaitAtEndOfInputRunsItsTime) {
    endFakeInputAt(0);
    sleepMs(1000);
    EXPECT_EQ(fakeNowMs(), 1000);
}

TEST(KeyValues, NamedKeys) {
    EXPECT_EQ(KEY_UP, 18687);
    EXPECT_EQ(KEY_DOWN, 20735);
}

} // namespace
