#include <gtest/gtest.h>

#include <filesystem>

#include "app/browser.h"
#include "app/driver.h"
#include "services/console.h"
#include "services/files.h"
#include "tests/fakes/fakes.h"
#include "tools/bitmap_writer.h"
#ifndef _WIN32
#include <sys/stat.h>

#include "tests/support/ordinary_user.h"
#endif
#include "tests/support/temp_directory.h"

namespace {

class BrowserTest : public ::testing::Test {
  protected:
    void SetUp() override {
        startFakeProgram(state);
        here = std::filesystem::current_path().string();
    }
    std::string row(int n) { return rowText(surfaceModel(), n); }
    std::uint8_t colour(int r, int c) { return cellAt(surfaceModel(), r, c).attribute; }
    TemporaryDirectory directory;
    ProgramState state;
    std::string here;
};

std::string padded(const std::string& text) {
    return text + std::string(80 - text.size(), ' ');
}

TEST_F(BrowserTest, SmallDirectoryCellByCell) {
    std::filesystem::create_directory("sub");
    writeFile("pic.bmp", makeBitmap({176, 132}));
    writeFile("x.bmp", "not a picture");
    drawBrowser(state);
    EXPECT_EQ(state.entryCount, 5);
    EXPECT_EQ(row(1).substr(0, 18), "== Pictoline V1.1 ");
    EXPECT_EQ(row(2),
              "======== Choose sourcefile with Cursor Up/Down - Enter (ESC to Quit) ===========");
    EXPECT_EQ(row(3), padded(" current path: " + here));
    EXPECT_EQ(row(4), padded("    ."));
    EXPECT_EQ(row(5), padded("    .."));
    EXPECT_EQ(row(6), padded("    sub"));
    EXPECT_EQ(row(7), padded("    pic.bmp" + std::string(33, ' ') + "176 x 132 x 24"));
    EXPECT_EQ(row(8), padded("    x.bmp" + std::string(35, ' ') + "0 x 0 x 0"));
    for (int r = 9; r <= 23; ++r)
        EXPECT_EQ(row(r), std::string(80, ' ')) << r;
    EXPECT_EQ(row(24), std::string(80, '='));
    EXPECT_EQ(row(25), padded(here + pathSeparator() + "."));

    EXPECT_EQ(colour(1, 1), attributeOf(12, 15));
    EXPECT_EQ(colour(3, 2), attributeOf(14, 1));
    EXPECT_EQ(colour(3, 16), attributeOf(11, 1));
    EXPECT_EQ(colour(4, 1), attributeOf(11, 1)); // leading spaces in the colour current then
    EXPECT_EQ(colour(4, 5), attributeOf(0, 11)); // the highlighted directory
    EXPECT_EQ(colour(5, 5), attributeOf(11, 1));
    EXPECT_EQ(colour(7, 5), attributeOf(15, 1));
    EXPECT_EQ(colour(24, 1), attributeOf(12, 15));
    EXPECT_EQ(colour(25, 1), attributeOf(12, 1));
    EXPECT_EQ(state.highlightKind, EntryKind::Directory);
    EXPECT_EQ(state.highlightName, ".");
}

TEST_F(BrowserTest, HighlightedBitmapRowAndPathRow) {
    writeFile("pic.bmp", makeBitmap({4, 2}));
    state.highlight = 3;
    drawBrowser(state);
    EXPECT_EQ(colour(6, 4), attributeOf(11, 1)); // the indent keeps the directory rows' colour
    EXPECT_EQ(colour(6, 5), attributeOf(1, 15));
    EXPECT_EQ(colour(6, 54), attributeOf(1, 15)); // "4 x 2 x 24" is highlighted too
    EXPECT_EQ(row(25), padded(here + pathSeparator() + "pic.bmp"));
    EXPECT_EQ(colour(25, static_cast<int>(here.size()) + 2), attributeOf(15, 1));
    EXPECT_EQ(state.highlightKind, EntryKind::Bitmap);
}

TEST_F(BrowserTest, WindowOfTwentyRows) {
    for (int i = 0; i < 23; ++i) // with "." and "..", 25 entries
        std::filesystem::create_directory("d" + std::to_string(10 + i));
    const struct {
        int highlight;
        std::string firstRow;
        int highlightedRow;
    } cases[] = {{1, "    .", 4}, {6, "    d13", 4}, {10, "    d13", 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.highlight);
        resetFakeSurface();
        state.highlight = static_cast<std::uint16_t>(c.highlight);
        drawBrowser(state);
        EXPECT_EQ(row(4), padded(c.firstRow));
        EXPECT_EQ(colour(c.highlightedRow, 5), attributeOf(0, 11));
        EXPECT_EQ(row(24), std::string(80, '='));
    }
}

TEST_F(BrowserTest, KeysMoveWithinTheList) {
    drawBrowser(state); // "." and ".."
    scheduleKey(0, KEY_UP);
    scheduleKey(0, KEY_DOWN);
    scheduleKey(0, KEY_DOWN); // already at the last entry
    scheduleKey(0, 'x');
    scheduleKey(0, extendedKey(0x6B)); // Alt+F4
    scheduleKey(0, KEY_ESCAPE);
    EXPECT_EQ(runKeyLoop(state), BrowserRequest::Redraw);
    EXPECT_EQ(state.highlight, 2);
    EXPECT_EQ(runKeyLoop(state), BrowserRequest::Quit);
    EXPECT_EQ(state.highlight, 2);
}

TEST_F(BrowserTest, RedrawShowsWhatChangedSinceTheLastOne) {
    writeFile("a.bmp", "");
    drawBrowser(state);
    EXPECT_EQ(state.entryCount, 3);
    writeFile("b.bmp", "");
    resetFakeSurface();
    drawBrowser(state);
    EXPECT_EQ(state.entryCount, 4);
    EXPECT_EQ(row(7).substr(0, 9), "    b.bmp");
}

TEST_F(BrowserTest, LongNamesTakeTheirRows) {
    std::string bitmap = std::string(31, 'b') + ".bmp";
    writeFile(bitmap, makeBitmap({1, 1}));
    std::filesystem::create_directory(std::string(76, 'd'));
    state.highlight = 4;
    drawBrowser(state);
    // The full directory row and its line end take two rows, so the screen
    // scrolls up one row to make room for the path row.
    EXPECT_EQ(row(1),
              "======== Choose sourcefile with Cursor Up/Down - Enter (ESC to Quit) ===========");
    EXPECT_EQ(row(5), std::string(80, 'd').replace(0, 4, "    "));
    EXPECT_EQ(row(6), std::string(80, ' '));
    EXPECT_EQ(row(7).substr(0, 34), "    " + bitmap.substr(0, 30));
    EXPECT_EQ(row(24), std::string(80, '='));
    EXPECT_EQ(row(25), padded(here + pathSeparator() + bitmap));
}

#ifndef _WIN32
TEST_F(BrowserTest, DirectoryThatCannotBeReadOffersAWayUp) {
    // Searchable but not readable: the program can stand in it, not list it.
    std::filesystem::create_directory("locked");
    chmod(".", 0711);
    chmod("locked", 0311);
    std::filesystem::current_path("locked");
    const std::string locked = here + "/locked";
    {
        OrdinaryUser user;
        drawBrowser(state);
    }
    std::filesystem::current_path(here);
    EXPECT_EQ(state.entryCount, 2);
    EXPECT_EQ(row(3), padded(" current path: " + locked));
    EXPECT_EQ(row(4), padded("    ."));
    EXPECT_EQ(row(5), padded("    .."));
    for (int r = 6; r <= 23; ++r)
        EXPECT_EQ(row(r), std::string(80, ' ')) << r;
    EXPECT_EQ(row(25), padded(locked + "/."));
}
#endif

} // namespace
