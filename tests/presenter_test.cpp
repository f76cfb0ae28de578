#include "services/posix/presenter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/support/screen_text.h"

namespace {

// The cells a terminal gives a code point: CJK ideographs and full-width
// forms two, combining diacritics none (they join the cell before).
int terminalWidthOf(char32_t code) {
    if (code >= 0x300 && code <= 0x36F)
        return 0;
    if ((code >= 0x2E80 && code <= 0xA4CF) || (code >= 0xFF00 && code <= 0xFF60))
        return 2;
    return 1;
}

char32_t codeOf(const std::string& utf8) {
    const auto lead = static_cast<unsigned char>(utf8[0]);
    char32_t code = lead < 0x80   ? lead
                    : lead < 0xE0 ? lead & 0x1F
                    : lead < 0xF0 ? lead & 0x0F
                                  : lead & 0x07;
    for (std::size_t i = 1; i < utf8.size(); ++i)
        code = code << 6 | (static_cast<unsigned char>(utf8[i]) & 0x3F);
    return code;
}

// A terminal that understands only what the presenter may send: CUP, SGR
// colours, a scroll region (DECSTBM) with line feed and reverse index,
// printable ASCII and UTF-8, wide characters in two cells (the right half
// holds "") and marks that join the cell before. It wraps late, like xterm;
// rows it scrolls in hold "#" in unknown colours, so a presenter that trusts
// them is caught.
struct Terminal {
    int width;
    int height;
    std::vector<std::string> glyphs;
    std::vector<int> attributes;
    int row = 1;
    int column = 1;
    bool pendingWrap = false;
    int top = 1;
    int bottom = 0; // 0: the last row
    int fg = -1;
    int bg = -1;
    int writes = 0;
    std::string error;

    Terminal(int w, int h) : width(w), height(h), glyphs(w * h, "#"), attributes(w * h, -1) {}

    int paletteOf(int index) const {
        return ((index & 1) ? 4 : 0) | ((index & 2) ? 2 : 0) | ((index & 4) ? 1 : 0);
    }

    void colour(int code) {
        if (code == 0)
            fg = 7, bg = 0;
        else if (code >= 30 && code <= 37)
            fg = paletteOf(code - 30);
        else if (code >= 90 && code <= 97)
            fg = 8 + paletteOf(code - 90);
        else if (code >= 40 && code <= 47)
            bg = paletteOf(code - 40);
        else if (code >= 100 && code <= 107)
            bg = 8 + paletteOf(code - 100);
        else
            error = "unexpected SGR " + std::to_string(code);
    }

    int lastRow() const { return bottom == 0 ? height : bottom; }

    // Moves rows top..last of the region by one: up (a line feed at the
    // bottom) or down (a reverse index at the top).
    void scroll(bool up) {
        const auto rowStart = [this](int r) {
            return static_cast<std::ptrdiff_t>((r - 1) * width);
        };
        if (up) {
            std::copy(glyphs.begin() + rowStart(top + 1), glyphs.begin() + rowStart(lastRow() + 1),
                      glyphs.begin() + rowStart(top));
            std::copy(attributes.begin() + rowStart(top + 1),
                      attributes.begin() + rowStart(lastRow() + 1),
                      attributes.begin() + rowStart(top));
        } else {
            std::copy_backward(glyphs.begin() + rowStart(top), glyphs.begin() + rowStart(lastRow()),
                               glyphs.begin() + rowStart(lastRow() + 1));
            std::copy_backward(attributes.begin() + rowStart(top),
                               attributes.begin() + rowStart(lastRow()),
                               attributes.begin() + rowStart(lastRow() + 1));
        }
        const int fresh = up ? lastRow() : top;
        std::fill(glyphs.begin() + rowStart(fresh), glyphs.begin() + rowStart(fresh + 1), "#");
        std::fill(attributes.begin() + rowStart(fresh), attributes.begin() + rowStart(fresh + 1),
                  -1);
    }

    void lineFeed() {
        pendingWrap = false;
        if (row == lastRow())
            scroll(true);
        else if (row < height)
            ++row;
    }

    void reverseIndex() {
        pendingWrap = false;
        if (row == top)
            scroll(false);
        else if (row > 1)
            --row;
    }

    std::size_t control(const std::string& s, std::size_t i) {
        if (i + 1 < s.size() && s[i + 1] == 'M') {
            reverseIndex();
            return i + 2;
        }
        if (i + 1 >= s.size() || s[i + 1] != '[') {
            error = "bare ESC";
            return s.size();
        }
        std::vector<int> params{0};
        std::size_t j = i + 2;
        for (; j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == ';'); ++j)
            if (s[j] == ';')
                params.push_back(0);
            else
                params.back() = params.back() * 10 + (s[j] - '0');
        if (j >= s.size()) {
            error = "unterminated CSI";
            return s.size();
        }
        if (s[j] == 'r') {
            top = params.size() > 1 || params[0] != 0 ? std::max(params[0], 1) : 1;
            bottom = params.size() > 1 ? params[1] : 0;
            row = column = 1;
            pendingWrap = false;
            if (bottom != 0 && (bottom > height || top >= bottom))
                error = "bad scroll region";
        } else if (s[j] == 'H') {
            row = std::max(params[0], 1);
            column = params.size() > 1 ? std::max(params[1], 1) : 1;
            pendingWrap = false;
            if (row > height || column > width)
                error = "cursor off screen";
        } else if (s[j] == 'm') {
            for (int code : params)
                colour(code);
        } else if (s[j] == 'J' && params[0] == 2) {
            std::fill(glyphs.begin(), glyphs.end(), " ");
            std::fill(attributes.begin(), attributes.end(), fg < 0 || bg < 0 ? -1 : fg + 16 * bg);
        } else {
            error = std::string("unexpected CSI final ") + s[j];
        }
        return j + 1;
    }

    int at(int r, int c) const { return (r - 1) * width + (c - 1); }

    // Blanks the other half of a wide character that cell (row, c) cuts in two.
    void breakWide(int c) {
        if (glyphs[at(row, c)].empty() && c > 1)
            glyphs[at(row, c - 1)] = " ";
        if (c < width && glyphs[at(row, c + 1)].empty())
            glyphs[at(row, c + 1)] = " ";
    }

    void print(const std::string& glyph) {
        const int cells = terminalWidthOf(codeOf(glyph));
        if (cells == 0) {
            const int last = pendingWrap ? column : column - 1;
            if (last < 1)
                error = "mark with nothing before it";
            else
                glyphs[at(row, last)] += glyph;
            return;
        }
        if (pendingWrap) {
            row++, column = 1, pendingWrap = false;
            if (row > height)
                error = "scrolled";
        }
        if (cells == 2 && column == width)
            error = "wide character at the last column";
        if (!error.empty())
            return;
        const int attribute = fg < 0 || bg < 0 ? -1 : fg + 16 * bg;
        for (int c = column; c < column + cells; ++c)
            breakWide(c);
        glyphs[at(row, column)] = glyph;
        attributes[at(row, column)] = attribute;
        if (cells == 2) {
            glyphs[at(row, column + 1)] = "";
            attributes[at(row, column + 1)] = attribute;
        }
        writes++;
        column += cells - 1;
        if (column == width)
            pendingWrap = true;
        else
            column++;
    }

    void feed(const std::string& s) {
        std::size_t i = 0;
        while (i < s.size() && error.empty()) {
            auto c = static_cast<unsigned char>(s[i]);
            if (c == 0x1B) {
                i = control(s, i);
            } else if (c == '\n') {
                lineFeed();
                ++i;
            } else if (c < 0x20 || c == 0x7F) {
                error = "raw control byte " + std::to_string(c);
            } else {
                std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
                print(s.substr(i, length));
                i += length;
            }
        }
    }
};

// What the terminal shows in a cell of the model: "" for the right half of
// a wide character, "?" for a character that is not ASCII when the
// presenter may not send UTF-8.
std::string shown(const Cell& cell, bool utf8) {
    const std::string bytes(cell.character.bytes, cell.character.length);
    const bool ascii = bytes.size() == 1 && static_cast<unsigned char>(bytes[0]) < 0x80;
    return utf8 || ascii || bytes.empty() ? bytes : "?";
}

void expectShows(const Terminal& t, const ScreenModel& model, const Presenter& p) {
    ASSERT_EQ(t.error, "");
    int rows = std::min(model.height, t.height);
    int columns = std::min(model.width, t.width);
    for (int row = 1; row <= rows; ++row)
        for (int column = 1; column <= columns; ++column) {
            const Cell& cell = cellAt(model, row, column);
            int at = (row - 1) * t.width + (column - 1);
            ASSERT_EQ(t.glyphs[at], shown(cell, p.utf8)) << row << "," << column;
            ASSERT_EQ(t.attributes[at], cell.attribute) << row << "," << column;
        }
    EXPECT_EQ(t.row, std::clamp(model.cursorRow, 1, t.height));
    EXPECT_EQ(t.column, std::clamp(model.cursorColumn, 1, t.width));
    EXPECT_FALSE(t.pendingWrap);
    EXPECT_EQ(t.fg + 16 * t.bg, model.attribute);
}

std::string presented(Presenter& p, const ScreenModel& model) {
    std::string out;
    present(p, model, out);
    return out;
}

// A presenter that has already shown a blank 80x25 screen.
Presenter presenterShowing(const ScreenModel& model) {
    Presenter p;
    presented(p, model);
    return p;
}

TEST(Presenter, FirstPresentSendsEveryCell) {
    ScreenModel model = makeScreenModel(80, 25);
    putRun(model, 3, 10, "Hello", 5, 0x1F);
    model.cursorRow = 7, model.cursorColumn = 12;
    Presenter p;
    Terminal t(80, 25);
    t.feed(presented(p, model));
    EXPECT_EQ(t.writes, 80 * 25);
    expectShows(t, model, p);
}

TEST(Presenter, NoChangeSendsNothing) {
    ScreenModel model = makeScreenModel(80, 25);
    putRun(model, 25, 75, "corner", 6, 0x4E);
    model.attribute = 0x4E;
    Presenter p = presenterShowing(model);
    EXPECT_EQ(presented(p, model), "");
}

struct OneCellCase {
    const char* name;
    std::uint8_t attribute;
    const char* expected;
};

TEST(Presenter, ChangingOneCellSendsMoveSgrAndByteOnly) {
    const OneCellCase cases[] = {
        {"same colours", 0x07, "\x1b[10;20HX"},
        {"foreground only", 0x04, "\x1b[10;20H\x1b[31mX\x1b[37m"},
        {"background only", 0x17, "\x1b[10;20H\x1b[44mX\x1b[40m"},
        {"both", 0x1F, "\x1b[10;20H\x1b[97;44mX\x1b[37;40m"},
    };
    for (const OneCellCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScreenModel model = makeScreenModel(80, 25);
        Presenter p = presenterShowing(model);
        putRun(model, 10, 20, "X", 1, c.attribute);
        model.cursorRow = 10, model.cursorColumn = 21;
        EXPECT_EQ(presented(p, model), c.expected);
    }
}

TEST(Presenter, KeepsTheModelAttributeAtTheEnd) {
    ScreenModel model = makeScreenModel(80, 25);
    Presenter p = presenterShowing(model);
    putRun(model, 10, 20, "X", 1, 0x04);
    model.cursorRow = 10, model.cursorColumn = 21;
    model.attribute = 0x04;
    EXPECT_EQ(presented(p, model), "\x1b[10;20H\x1b[31mX");
    EXPECT_EQ(presented(p, model), "");
}

struct SgrCase {
    int fg;
    int bg;
    const char* expected;
};

TEST(Presenter, SgrForUnknownColours) {
    const SgrCase cases[] = {
        {15, 1, "\x1b[0;97;44m"}, {12, 15, "\x1b[0;91;107m"}, {14, 1, "\x1b[0;93;44m"},
        {11, 1, "\x1b[0;96;44m"}, {7, 0, "\x1b[0;37;40m"},    {0, 7, "\x1b[0;30;47m"},
        {1, 2, "\x1b[0;34;42m"},  {4, 6, "\x1b[0;31;43m"},    {5, 3, "\x1b[0;35;46m"},
        {8, 9, "\x1b[0;90;104m"},
    };
    for (const SgrCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.fg) + "," + std::to_string(c.bg));
        auto attribute = static_cast<std::uint8_t>(c.fg + 16 * c.bg);
        ScreenModel model = makeScreenModel(80, 25);
        for (int row = 1; row <= 25; ++row)
            fillRow(model, row, attribute);
        model.attribute = attribute;
        Presenter p;
        const std::string first = std::string("\x1b[1;1H") + c.expected + "  ";
        EXPECT_EQ(presented(p, model).substr(0, first.size()), first);
    }
}

TEST(Presenter, ByteOneFollowsTheEncoding) {
    for (bool utf8 : {true, false}) {
        ScreenModel model = makeScreenModel(80, 25);
        Presenter p = presenterShowing(model);
        p.utf8 = utf8;
        putRun(model, 2, 2, "\x01", 1, 7);
        model.cursorRow = 2, model.cursorColumn = 3;
        // A character beyond ASCII is followed by a move of its own.
        EXPECT_EQ(presented(p, model), std::string("\x1b[2;2H") + (utf8 ? "☺" : "?") + "\x1b[2;3H");
    }
}

TEST(Presenter, ContentNeverSendsRawControls) {
    for (bool utf8 : {true, false}) {
        SCOPED_TRACE(utf8);
        ScreenModel model = makeScreenModel(80, 25);
        for (int i = 0; i < 256; ++i)
            model.cells[i * 7] =
                Cell{fixedCharacter(static_cast<unsigned char>(i)), static_cast<std::uint8_t>(i)};
        Presenter p;
        p.utf8 = utf8;
        std::string out = presented(p, model);
        EXPECT_EQ(out.find('\x07'), std::string::npos);
        for (std::size_t at = out.find('\x1b'); at != std::string::npos;
             at = out.find('\x1b', at + 1))
            ASSERT_EQ(out[at + 1], '[');
        if (!utf8) {
            EXPECT_TRUE(std::all_of(out.begin(), out.end(),
                                    [](char c) { return static_cast<unsigned char>(c) < 128; }));
        }
        Terminal t(80, 25);
        t.feed(out);
        expectShows(t, model, p);
    }
}

TEST(Presenter, OneRowChangeIsCheap) {
    ScreenModel model = makeScreenModel(80, 25);
    Presenter p;
    Terminal t(80, 25);
    t.feed(presented(p, model));
    std::string row(80, 'x');
    for (int i = 0; i < 80; ++i)
        row[i] = static_cast<char>('!' + i);
    putRun(model, 12, 1, row.data(), row.size(), 0x1F);
    std::string out = presented(p, model);
    EXPECT_LT(out.size(), 200u);
    t.feed(out);
    expectShows(t, model, p);
}

// ASCII cells in a row share one move; after a character beyond ASCII, whose
// cells a terminal may count otherwise, the next cell gets a move of its own.
TEST(Presenter, ConsecutiveCellsShareOneMove) {
    ScreenModel model = makeScreenModel(80, 25);
    Presenter p = presenterShowing(model);
    putRun(model, 2, 5, "AB", 2, 7);
    putRun(model, 2, 9, "C", 1, 7);
    const ScreenCharacter wide{{'\xE6', '\x97', '\xA5'}, 3, 2};
    putCharacters(model, 3, 5, &wide, 1, 7);
    putRun(model, 3, 7, "D", 1, 7);
    model.cursorRow = 3, model.cursorColumn = 8;
    EXPECT_EQ(presented(p, model), "\x1b[2;5HAB\x1b[2;9HC\x1b[3;5H\xE6\x97\xA5\x1b[3;7HD");
}

TEST(Presenter, NeverReliesOnWrapAtTheLastColumn) {
    ScreenModel model = makeScreenModel(80, 25);
    Presenter p = presenterShowing(model);
    putRun(model, 3, 80, "A", 1, 7);
    putRun(model, 4, 1, "B", 1, 7);
    model.cursorRow = 4, model.cursorColumn = 2;
    EXPECT_EQ(presented(p, model), "\x1b[3;80HA\x1b[4;1HB");
}

std::string terminalRow(const Terminal& t, int row) {
    std::string text;
    for (int column = 1; column <= t.width; ++column)
        text += t.glyphs[static_cast<std::size_t>((row - 1) * t.width + column - 1)];
    return text;
}

// What the shell printed before, and what a resize leaves, never stands beside the screen.
TEST(Presenter, LargerTerminalIsBlankOutsideTheModel) {
    ScreenModel model = makeScreenModel(80, 25);
    for (int row = 1; row <= 25; ++row)
        putRun(model, row, 1, std::string(80, 'z').data(), 80, 0x1F);
    Presenter p;
    p.terminalWidth = 100, p.terminalHeight = 30;
    Terminal t(100, 30);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "first screen" : "after a resize");
        t.feed(presented(p, model));
        expectShows(t, model, p);
        for (int row = 1; row <= 30; ++row)
            EXPECT_EQ(terminalRow(t, row).substr(row <= 25 ? 80 : 0),
                      std::string(row <= 25 ? 20 : 100, ' '))
                << "row " << row;
        EXPECT_EQ(presented(p, model), "") << "nothing to do while nothing changed";
        std::fill(t.glyphs.begin(), t.glyphs.end(), "#");
        forgetTerminal(p);
    }
}

TEST(Presenter, SmallerTerminalShowsANoticeUntilItGrows) {
    ScreenModel model = makeScreenModel(80, 25);
    putRun(model, 1, 1, "title", 5, 0xFC);
    putRun(model, 25, 1, "path", 4, 0x1C);
    Presenter p;
    p.terminalWidth = 60, p.terminalHeight = 20;
    Terminal small(60, 20);
    small.feed(presented(p, model));
    ASSERT_EQ(small.error, "");
    EXPECT_EQ(terminalRow(small, 1),
              "Pictoline needs 80 x 25; this terminal is 60 x 20" + std::string(11, ' '));
    for (int row = 2; row <= 20; ++row)
        EXPECT_EQ(terminalRow(small, row), std::string(60, ' ')) << "row " << row;
    putRun(model, 2, 1, "more", 4, 0x1F);
    EXPECT_EQ(presented(p, model), "") << "the notice stands until the size changes";

    // The longest form that fits before the last column, leading with what is needed.
    const struct {
        int width;
        int height;
        const char* notice;
    } sizes[] = {
        {120, 20, "Pictoline needs 80 x 25; this terminal is 120 x 20"},
        {80, 24, "Pictoline needs 80 x 25; this terminal is 80 x 24"},
        {50, 20, "Pictoline needs 80 x 25; this terminal is 50 x 20"},
        {49, 20, "Needs 80 x 25; this is 49 x 20"},
        {40, 10, "Needs 80 x 25; this is 40 x 10"},
        {30, 10, "Needs 80 x 25; has 30 x 10"},
        {20, 5, "Needs 80 x 25"},
        {12, 10, "Needs 80x25"},
        {4, 10, "80x"},
        {1, 1, ""},
    };
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        forgetTerminal(p);
        p.terminalWidth = size.width, p.terminalHeight = size.height;
        Terminal narrow(size.width, size.height);
        narrow.feed(presented(p, model));
        ASSERT_EQ(narrow.error, "");
        const std::string notice = size.notice;
        EXPECT_EQ(terminalRow(narrow, 1),
                  notice + std::string(static_cast<std::size_t>(size.width) - notice.size(), ' '));
        if (size.height > 1) {
            EXPECT_EQ(terminalRow(narrow, 2),
                      std::string(static_cast<std::size_t>(size.width), ' '))
                << "cut, never wrapped";
        }
    }

    forgetTerminal(p);
    p.terminalWidth = 80, p.terminalHeight = 25;
    Terminal grown(80, 25);
    grown.feed(presented(p, model));
    expectShows(grown, model, p);
}

TEST(Presenter, ForgetTerminalResendsEverything) {
    ScreenModel model = makeScreenModel(80, 25);
    putRun(model, 1, 1, "abc", 3, 0x1E);
    Presenter p = presenterShowing(model);
    forgetTerminal(p);
    EXPECT_FALSE(p.shownKnown || p.attributeKnown || p.cursorKnown);
    Terminal t(80, 25);
    std::string out = presented(p, model);
    EXPECT_EQ(out.substr(0, 10), "\x1b[1;1H\x1b[0;");
    t.feed(out);
    EXPECT_EQ(t.writes, 80 * 25);
    expectShows(t, model, p);
}

TEST(Presenter, SizeChangeResendsEverything) {
    Presenter p = presenterShowing(makeScreenModel(80, 25));
    ScreenModel model = makeScreenModel(40, 10);
    Terminal t(80, 25);
    t.feed(presented(p, model));
    EXPECT_EQ(t.writes, 40 * 10);
}

// A list screen like the browser's: rows 4 to 23 show entries first.. in a
// window, the entry at highlighted in other colours, row 25 names it.
ScreenModel listScreen(int first, int highlighted) {
    ScreenModel model = makeScreenModel(80, 25);
    for (int row = 1; row <= 25; ++row)
        fillRow(model, row, 0x1F);
    putRun(model, 1, 1, std::string(80, '=').data(), 80, 0xFC);
    for (int row = 4; row <= 23; ++row) {
        const int entry = first + row - 4;
        // Names of varied lengths and letters, as in a real directory.
        std::string name = "    " +
                           std::string(static_cast<std::size_t>(3 + (entry * 5) % 17),
                                       static_cast<char>('a' + entry % 26)) +
                           ".bmp";
        name += std::string(44 - name.size(), ' ') + std::to_string(entry * 7) + " x " +
                std::to_string(entry) + " x 24";
        putRun(model, row, 1, name.data(), name.size(), 0x1F);
        if (entry == highlighted)
            for (int column = 5; column <= static_cast<int>(name.size()); ++column)
                cellAt(model, row, column).attribute = 0xF1;
    }
    const std::string path = "/home/user/pictures/entry-" + std::to_string(highlighted) + ".bmp";
    putRun(model, 25, 1, path.data(), path.size(), 0x1C);
    model.cursorRow = 25;
    model.cursorColumn = static_cast<int>(path.size()) + 1;
    return model;
}

TEST(Presenter, MovedListRowsAreScrolledNotResent) {
    const struct {
        const char* name;
        int fromFirst, fromHighlight, toFirst, toHighlight;
    } cases[] = {
        {"Down in a long list", 6, 6, 7, 7},
        {"Up in a long list", 7, 7, 6, 6},
        {"two rows at once", 6, 6, 8, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Presenter p;
        Terminal t(80, 25);
        t.feed(presented(p, listScreen(c.fromFirst, c.fromHighlight)));
        const ScreenModel next = listScreen(c.toFirst, c.toHighlight);
        Presenter naive = p;
        naive.shownKnown = true;
        std::string cellByCell;
        // What the cell difference alone would send, for comparison.
        naive.terminalWidth = 81; // a wider terminal never moves lines
        present(naive, next, cellByCell);
        const std::string out = presented(p, next);
        EXPECT_LT(out.size(), 400u);
        EXPECT_LT(out.size() * 2, cellByCell.size());
        t.feed(out);
        ASSERT_NO_FATAL_FAILURE(expectShows(t, next, p));
    }
}

TEST(Presenter, ScrollRegionNeverCoversUnchangedRowsAroundTheBlock) {
    Presenter p;
    Terminal t(80, 25);
    t.feed(presented(p, listScreen(6, 6)));
    const std::string out = presented(p, listScreen(7, 7));
    // The title and separator rows stay; the block lies inside rows 4 to 23.
    const std::size_t region = out.find('r');
    ASSERT_NE(region, std::string::npos);
    int top = 0, bottom = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "\x1b[%d;%dr", &top, &bottom), 2) << out.substr(0, 12);
    EXPECT_GE(top, 4);
    EXPECT_LE(bottom, 23);
}

TEST(Presenter, RandomEditsKeepTheTerminalInStep) {
    std::mt19937 engine(12345);
    auto random = [&engine] { return static_cast<int>(engine() % 65536); };
    ScreenModel model = makeScreenModel(80, 25);
    Presenter p;
    Terminal t(80, 25);
    for (int step = 0; step < 200; ++step) {
        int edits = random() % 30;
        for (int i = 0; i < edits; ++i) {
            // Narrow, wide and marked characters, each cutting what it lands on.
            const char* const kinds[] = {"", "\xE6\x97\xA5", "e\xCC\x81", "\xD0\x96"};
            const int kind = random() % 8;
            ScreenCharacter character = fixedCharacter(static_cast<unsigned char>(random()));
            if (kind < 4 && kind > 0) {
                character = ScreenCharacter{{}, 0, static_cast<std::uint8_t>(kind == 1 ? 2 : 1)};
                for (const char* b = kinds[kind]; *b != '\0'; ++b)
                    character.bytes[character.length++] = *b;
            }
            putCharacters(model, 1 + random() % 25, 1 + random() % 80, &character, 1,
                          static_cast<std::uint8_t>(random()));
        }
        if (random() % 10 == 0)
            scrollUp(model, 1 + random() % 3, static_cast<std::uint8_t>(random()));
        if (random() % 4 == 0) {
            // A block of rows moves up or down, as the browser's list does.
            const int first = 1 + random() % 24, last = first + 1 + random() % (25 - first);
            const int by = 1 + random() % (last - first);
            auto begin = model.cells.begin() + (first - 1) * 80;
            auto end = model.cells.begin() + last * 80;
            if (random() % 2 == 0)
                std::rotate(begin, begin + by * 80, end);
            else
                std::rotate(begin, end - by * 80, end);
        }
        model.cursorRow = 1 + random() % 25;
        model.cursorColumn = 1 + random() % 80;
        model.attribute = static_cast<std::uint8_t>(random());
        t.feed(presented(p, model));
        ASSERT_NO_FATAL_FAILURE(expectShows(t, model, p)) << "step " << step;
    }
}

} // namespace
