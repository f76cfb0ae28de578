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

std::string row(int n) {
    return rowText(surfaceModel(), n);
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
    directory.entries.push_back({".", ATTRIBUTE_DIRECTORY});
    directory.entries.push_back({"..", ATTRIBUTE_DIRECTORY});
    for (std::size_t n = 3; n <= entries; ++n)
        directory.entries.push_back({bitmapName(n), ATTRIBUTE_ARCHIVE});
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

// A name of control bytes and ASCII as the screen shows it: each control
// byte as its glyph.
std::string glyphsOf(const std::string& name) {
    std::string shown;
    for (char byte : name) {
        const ScreenCharacter& character = fixedCharacter(static_cast<unsigned char>(byte));
        shown.append(character.bytes, character.length);
    }
    return shown;
}

// A name's control bytes are glyphs, not line ends, bells, backspaces or
// tabs, wherever the name stands on the screen.
TEST(BrowserListing, ControlBytesInNamesAreShownNotActedOn) {
    const std::string names[] = {"a\nb", "c\rd", "e\ag", "h\bi", "j\tk", "\x1b[2J"};
    for (const std::string& name : names) {
        SCOPED_TRACE(testing::PrintToString(name));
        FakeDirectory directory;
        directory.path = "/f" + name;
        directory.entries = {{name, ATTRIBUTE_DIRECTORY}, {name + ".bmp", ATTRIBUTE_ARCHIVE}};
        for (std::size_t highlight : {1, 2}) {
            setFakeDirectory(directory);
            ProgramState state;
            startFakeProgram(state);
            state.highlight = highlight;
            drawBrowser(state);
            const std::string glyphs = glyphsOf(name);
            const std::string shown = highlight == 1 ? glyphs : glyphs + ".bmp";
            const std::size_t cells = name.size();
            EXPECT_EQ(row(1).substr(0, 18), "== Pictoline V1.1 ");
            EXPECT_EQ(row(3), " current path: /f" + glyphs + std::string(63 - cells, ' '));
            EXPECT_EQ(row(4), "    " + glyphs + std::string(76 - cells, ' '));
            EXPECT_EQ(row(5), "    " + glyphs + ".bmp" + std::string(36 - cells, ' ') +
                                  "0 x 0 x 0" + std::string(27, ' '));
            EXPECT_EQ(row(24), std::string(80, '='));
            EXPECT_EQ(row(25),
                      "/f" + glyphs + "/" + shown +
                          std::string(77 - cells - (highlight == 1 ? cells : cells + 4), ' '));
            EXPECT_EQ(fakeSurface().beeps, 0);
        }
    }
}

// An empty listing, as an empty drive root on Windows gives: Enter acts on
// the remembered empty name of kind bitmap, whose open fails, and the
// program ends after the format message.
TEST(BrowserListing, EnterOnAnEmptyListConvertsTheEmptyNameAndEnds) {
    setFakeDirectory(FakeDirectory{});
    resetFakeSurface();
    resetFakeKeyboard();
    scheduleKey(0, KEY_ENTER);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(fakeNowMs(), 2000);
    EXPECT_EQ(row(24).substr(25, 23), "Falsches Bildformat!!!!");
}

std::string repeated(const std::string& text, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

// A bitmap's name field holds its first 30 characters cut to 30 cells, then
// blanks to 40 cells: the numbers stand at column 45 in every script.
TEST(BrowserListing, NameFieldTakesThirtyCharactersInThirtyCells) {
    const std::string zhe = "\xD0\xB6", day = "\xE6\x97\xA5", acute = "\xCC\x81";
    const struct {
        const char* what;
        std::string name; // before ".bmp"
        bool utf8;
        std::string field; // the name's part of the row, as it shows
        std::size_t cells;
    } cases[] = {
        {"accented", "caf\xC3\xA9", true, "caf\xC3\xA9.bmp", 8},
        {"decomposed", "cafe" + acute, true, "cafe" + acute + ".bmp", 8},
        {"35 Cyrillic letters", repeated(zhe, 35), true, repeated(zhe, 30), 30},
        {"20 wide characters", repeated(day, 20), true, repeated(day, 15), 30},
        {"a wide character ending past cell 30", repeated(day, 14) + "a" + day + "b", true,
         repeated(day, 14) + "a", 29},
        {"the C locale, a byte a cell", repeated("\xC3\xA9", 20), false,
         repeated("\xE2\x94\x9C\xE2\x8C\x90", 15), 30},
        {"35 ASCII characters", std::string(35, 'x'), true, std::string(30, 'x'), 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeDirectory directory;
        directory.entries = {{c.name + ".bmp", ATTRIBUTE_ARCHIVE}};
        setFakeDirectory(directory);
        ProgramState state;
        startFakeProgram(state);
        fakeSurface().utf8 = c.utf8;
        state.highlight = 2;
        drawBrowser(state);
        EXPECT_EQ(row(4), "    " + c.field + std::string(40 - c.cells, ' ') + "0 x 0 x 0" +
                              std::string(27, ' '));
        EXPECT_EQ(cellAt(surfaceModel(), 4, 45).character, fixedCharacter('0'));
    }
}

} // namespace
