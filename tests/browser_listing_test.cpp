#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/browser.h"
#include "app/driver.h"
#include "services/console.h"
#include "tests/fakes/fake_directory.h"
#include "tests/fakes/fakes.h"

// The browser over a directory held in memory: directories of any size, and
// names no file system here would take.

namespace {

constexpr std::uint32_t DIRECTORY = 16;
constexpr std::uint32_t ARCHIVE = 32;

std::string row(int n) {
    return rowText(fakeSurface().screen, n);
}
std::string padded(const std::string& text) {
    return text + std::string(80 - text.size(), ' ');
}

std::string bitmapName(std::size_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "p%07zu.bmp", number);
    return name;
}

// "." and "..", then bitmaps numbered from 3, so that entry n is named n.
FakeDirectory hugeDirectory(std::size_t entries) {
    FakeDirectory directory;
    directory.entries.push_back({".", DIRECTORY});
    directory.entries.push_back({"..", DIRECTORY});
    for (std::size_t n = 3; n <= entries; ++n)
        directory.entries.push_back({bitmapName(n), ARCHIVE});
    return directory;
}

std::string listRow(std::size_t entry) {
    return padded("    " + bitmapName(entry) + std::string(28, ' ') + "0 x 0 x 0");
}

TEST(BrowserListing, WindowRuleHoldsForAnyCount) {
    const struct {
        std::size_t highlight, count, first;
    } cases[] = {
        {1, 65536, 1},         {65516, 65536, 65516},
        {65517, 65536, 65517}, {65530, 65536, 65517},
        {65536, 65536, 65517}, {4464, 70000, 4464},
        {4465, 70000, 4465},   {69990, 70000, 69981},
        {1, 1000000, 1},       {999999, 1000000, 999981},
    };
    for (const auto& c : cases) {
        std::size_t drawn = 0, first = 0;
        for (std::size_t index = 1; index <= c.count; ++index) {
            if (inListWindow(c.highlight, c.count, index)) {
                first = drawn++ == 0 ? index : first;
            }
        }
        EXPECT_EQ(drawn, LIST_ROWS) << c.highlight << " of " << c.count;
        EXPECT_EQ(first, c.first) << c.highlight << " of " << c.count;
    }
}

// Past 65 535 entries the screen is the same as in any long list: the title
// stays, the window is drawn around the highlight, and row 25 names it.
TEST(BrowserListing, HugeDirectoriesAreBrowsedWhole) {
    const struct {
        std::size_t count, highlight, firstShown;
    } cases[] = {
        {65536, 3, 3},       {65536, 65535, 65517}, {65536, 65536, 65517}, {70000, 4464, 4464},
        {70000, 4466, 4466}, {70000, 65537, 65537}, {70000, 69995, 69981}, {70000, 70000, 69981},
    };
    ProgramState state;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.highlight) + " of " + std::to_string(c.count));
        setFakeDirectory(hugeDirectory(c.count));
        startFakeProgram(state);
        state.highlight = c.highlight;
        drawBrowser(state);
        EXPECT_EQ(state.entryCount, c.count);
        EXPECT_EQ(row(1).substr(0, 18), "== Pictoline V1.1 ");
        EXPECT_EQ(row(3), padded(" current path: /fake"));
        for (int r = 4; r <= 23; ++r)
            EXPECT_EQ(row(r), listRow(c.firstShown + static_cast<std::size_t>(r - 4)))
                << "row " << r;
        EXPECT_EQ(row(24), std::string(80, '='));
        EXPECT_EQ(row(25), padded("/fake/" + bitmapName(c.highlight)));

        scheduleKey(0, KEY_DOWN);
        scheduleKey(0, KEY_ESCAPE);
        const BrowserRequest request = runKeyLoop(state);
        EXPECT_EQ(request, c.highlight < c.count ? BrowserRequest::Redraw : BrowserRequest::Quit);
        EXPECT_EQ(state.highlight, std::min(c.highlight + 1, c.count));
    }
}

// A name is shown a cell a byte: its control bytes are glyphs, not line
// ends, bells, backspaces or tabs, wherever the name stands on the screen.
TEST(BrowserListing, ControlBytesInNamesAreShownNotActedOn) {
    const std::string names[] = {"a\nb", "c\rd", "e\ag", "h\bi", "j\tk", "\x1b[2J"};
    for (const std::string& name : names) {
        SCOPED_TRACE(testing::PrintToString(name));
        FakeDirectory directory;
        directory.path = "/f" + name;
        directory.entries = {{name, DIRECTORY}, {name + ".bmp", ARCHIVE}};
        for (std::size_t highlight : {1, 2}) {
            setFakeDirectory(directory);
            ProgramState state;
            startFakeProgram(state);
            state.highlight = highlight;
            drawBrowser(state);
            const std::string shown = highlight == 1 ? name : name + ".bmp";
            EXPECT_EQ(row(1).substr(0, 18), "== Pictoline V1.1 ");
            EXPECT_EQ(row(3), padded(" current path: /f" + name));
            EXPECT_EQ(row(4), padded("    " + name));
            EXPECT_EQ(row(5), padded("    " + name + ".bmp" + std::string(36 - name.size(), ' ') +
                                     "0 x 0 x 0"));
            EXPECT_EQ(row(24), std::string(80, '='));
            EXPECT_EQ(row(25), padded("/f" + name + "/" + shown));
            EXPECT_EQ(fakeSurface().beeps, 0);
        }
    }
}

} // namespace
