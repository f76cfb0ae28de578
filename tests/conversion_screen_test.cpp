#include <gtest/gtest.h>

#include <filesystem>

#include "app/browser.h"
#include "app/driver.h"
#include "convert/conversion_screen.h"
#include "services/console.h"
#include "services/files.h"
#include "tests/fakes/fakes.h"
#include "tests/support/temp_directory.h"

namespace {

class ConversionScreenTest : public ::testing::Test {
  protected:
    void SetUp() override { startFakeProgram(state); }
    std::string row(int n) { return rowText(surfaceModel(), n); }
    std::uint8_t colour(int r, int c) { return cellAt(surfaceModel(), r, c).attribute; }
    std::pair<int, int> cursor() { return {surfaceModel().cursorRow, surfaceModel().cursorColumn}; }
    // The colour of every cell of row r from column first to column last.
    bool rowColoured(int r, int first, int last, std::uint8_t attribute) {
        for (int c = first; c <= last; ++c) {
            if (colour(r, c) != attribute)
                return false;
        }
        return true;
    }
    TemporaryDirectory directory;
    ProgramState state;
};

std::string at(int column, const std::string& text) {
    std::string row(80, ' ');
    return row.replace(static_cast<std::size_t>(column - 1), text.size(), text);
}

TEST_F(ConversionScreenTest, RejectionsStandBelowTheScrolledBrowser) {
    const std::uint8_t black = attributeOf(0, 0), message = attributeOf(12, 1);
    const struct {
        HeaderVerdict verdict;
        std::uint8_t bits;
        int column;
        std::string text;
    } cases[] = {
        {HeaderVerdict::WrongSize, 24, 17,
         "Wrong Bitmap size - only 1x1 to 176x132 are allowed !!"},
        {HeaderVerdict::WrongDepth, 8, 17, "8Bit Bitmap - you can only use 24Bit Bitmaps"},
        {HeaderVerdict::WrongDepth, 32, 17, "32Bit Bitmap - you can only use 24Bit Bitmaps"},
        {HeaderVerdict::BadFormat, 24, 26, "Falsches Bildformat!!!!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SetUp();
        drawBrowser(state);
        const std::string title = row(1), pathRow = row(25);
        showRejection(c.verdict, c.bits);
        // Three newlines and the message's own: the browser moves up four rows.
        EXPECT_EQ(row(21), pathRow);
        EXPECT_NE(row(1), title);
        EXPECT_TRUE(rowColoured(22, 1, 80, black));
        EXPECT_TRUE(rowColoured(23, 1, 80, black));
        const int end = c.column + static_cast<int>(c.text.size()) - 1;
        EXPECT_EQ(row(24), at(c.column, c.text));
        EXPECT_TRUE(rowColoured(24, 1, c.column - 1, black));
        EXPECT_TRUE(rowColoured(24, c.column, end, message));
        EXPECT_TRUE(rowColoured(24, end + 1, 80, black));
        EXPECT_TRUE(rowColoured(25, 1, 80, message));
        EXPECT_EQ(row(25), std::string(80, ' '));
        EXPECT_EQ(cursor(), std::make_pair(25, 1));
    }
}

TEST_F(ConversionScreenTest, FullPathRowMakesTheFirstNewlineScrollTwice) {
    // The path row is the directory, the separator and "." : make it exactly 80 characters.
    const std::size_t length = std::filesystem::current_path().string().size();
    ASSERT_LT(length, 76u);
    const std::string name(78 - length - 1, 'n');
    std::filesystem::create_directory(name);
    std::filesystem::current_path(name);
    drawBrowser(state);
    const std::string pathRow = row(25);
    ASSERT_EQ(pathRow.find(' '), std::string::npos);
    showRejection(HeaderVerdict::WrongSize, 24);
    EXPECT_EQ(row(20), pathRow);
    EXPECT_EQ(row(24).substr(16, 10), "Wrong Bitm");
    std::filesystem::current_path(directory.path);
}

TEST_F(ConversionScreenTest, ConversionScreenAndTheFullBar) {
    showConversionStart("pic.bmp");
    const std::string here = std::filesystem::current_path().string();
    EXPECT_EQ(row(12), at(10, " Datafile: pic.bmp.txt"));
    EXPECT_EQ(row(13), at(10, "Directory: " + here + pathSeparator()));
    EXPECT_TRUE(rowColoured(12, 1, 9, attributeOf(12, 0)));
    EXPECT_TRUE(rowColoured(12, 10, 31, attributeOf(15, 1)));
    EXPECT_TRUE(rowColoured(12, 32, 80, attributeOf(12, 0)));
    EXPECT_TRUE(rowColoured(13, 10, 21 + static_cast<int>(here.size()), attributeOf(15, 1)));
    EXPECT_TRUE(rowColoured(13, 22 + static_cast<int>(here.size()), 80, attributeOf(12, 0)));
    EXPECT_TRUE(rowColoured(1, 1, 80, attributeOf(12, 0)));
    showProgress(state.progress, 132, 132, 1);
    EXPECT_EQ(row(15), at(10, "0%============================>100%"));
    EXPECT_TRUE(rowColoured(15, 1, 80, attributeOf(12, 0)));
    EXPECT_EQ(cursor(), std::make_pair(15, 45));
    showDone();
    EXPECT_EQ(row(15), at(10, "0%============================>100% !!! Done !!!"));
    EXPECT_TRUE(rowColoured(15, 46, 57, attributeOf(15, 12)));
    EXPECT_EQ(cursor(), std::make_pair(16, 1));
}

#ifndef _WIN32
TEST_F(ConversionScreenTest, RootDirectoryEndsInTwoSeparators) {
    std::filesystem::current_path("/");
    showConversionStart("p.bmp");
    std::filesystem::current_path(directory.path);
    EXPECT_EQ(row(13), at(10, "Directory: //"));
}
#endif

TEST_F(ConversionScreenTest, RedirectedOutputReceivesEveryRedraw) {
    fakeSurface().isConsole = false;
    showConversionStart("p.bmp");
    int changes = 0;
    for (std::uint16_t y = 1; y <= 60; ++y) {
        changes += y == 1 || progressBarLength(y, 60) !=
                                 progressBarLength(static_cast<std::uint16_t>(y - 1), 60);
        showProgress(state.progress, y, 60, 3);
    }
    EXPECT_EQ(fakeSurface().presents, changes) << "sent on whenever the bar changes";
    const std::string& out = fakeSurface().passedThrough;
    std::size_t redraws = 0;
    for (std::size_t at = 0; (at = out.find("100%", at)) != std::string::npos; at += 4)
        ++redraws;
    EXPECT_EQ(redraws, 180u);
    EXPECT_EQ(out.substr(out.size() - 36),
              std::string("0%============================>") + '\0' + "100%");
}

TEST_F(ConversionScreenTest, WriteErrorReplacesTheDoneLine) {
    showConversionStart("pic.bmp");
    showWriteError("pic.bmp");
    EXPECT_EQ(row(17), at(10, "!!! Error: could not write pic.bmp.txt !!!"));
    EXPECT_TRUE(rowColoured(17, 10, 51, attributeOf(15, 4)));
}

// A name's control bytes take a cell each and move nothing.
TEST_F(ConversionScreenTest, NamesWithControlBytesKeepTheirRows) {
    const std::string name = "a\nb\rc\td\ae\bf.bmp";
    const std::string glyphs = "a\u25D9b\u266Ac\u25CBd\u2022e\u25D8f.bmp";
    showConversionStart(name);
    showWriteError(name);
    const std::string datafile = std::string(9, ' ') + " Datafile: " + glyphs + ".txt ";
    EXPECT_EQ(row(12).substr(0, datafile.size()), datafile);
    EXPECT_EQ(row(13).substr(9, 11), "Directory: ");
    const std::string error =
        std::string(9, ' ') + "!!! Error: could not write " + glyphs + ".txt !!! ";
    EXPECT_EQ(row(17).substr(0, error.size()), error);
    EXPECT_EQ(fakeSurface().beeps, 0);
}

// Row 15 as a redraw for row y of height rows leaves it.
std::string barFor(std::uint16_t y, std::uint16_t height) {
    const std::uint16_t length = progressBarLength(y, height);
    std::string bar = std::string("                             =============================> ")
                          .substr(60u - length);
    std::string text = "0%" + bar;
    text.resize(std::max<std::size_t>(text.size(), 31), ' ');
    return at(10, text.substr(0, 31) + "100%");
}

TEST_F(ConversionScreenTest, ProgressRowIsDrawnOnlyWhenItChanges) {
    for (std::uint16_t height :
         {std::uint16_t{1}, std::uint16_t{4}, std::uint16_t{60}, std::uint16_t{132}}) {
        SCOPED_TRACE(height);
        SetUp();
        showConversionStart("p.bmp");
        int changes = 0;
        for (std::uint16_t y = 1; y <= height; ++y) {
            changes += y == 1 || progressBarLength(y, height) !=
                                     progressBarLength(static_cast<std::uint16_t>(y - 1), height);
            const int presents = fakeSurface().presents;
            showProgress(state.progress, y, height, 3);
            ASSERT_EQ(row(15), barFor(y, height)) << y;
            EXPECT_LE(fakeSurface().presents - presents, 1);
        }
        EXPECT_EQ(fakeSurface().presents, changes);
    }
}

TEST_F(ConversionScreenTest, ShortBarsEndInTheBlankCell) {
    const struct {
        std::uint16_t y, height;
        std::string bar;   // what follows "0%" on the screen
        std::string piece; // what follows "0%" in redirected output
    } cases[] = {
        {1, 132, "", ""},                                              // nothing follows "0%"
        {3, 132, "", std::string(1, '\0')},                            // the blank alone
        {1, 60, "", ""},                                               // 0.5 goes to 0
        {3, 60, ">", std::string(">\0", 2)},                           // 1.5 goes to 2
        {1, 4, "=====>", std::string("=====>\0", 7)},                  // 7
        {2, 4, "=============>", std::string("=============>\0", 15)}, // 15
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bar);
        for (bool console : {true, false}) {
            SetUp();
            fakeSurface().isConsole = console;
            showConversionStart("p.bmp");
            showProgress(state.progress, c.y, c.height, 1);
            if (console)
                EXPECT_EQ(row(15), at(10, "0%" + c.bar).replace(40, 4, "100%"));
            else
                EXPECT_NE(fakeSurface().passedThrough.find("0%" + c.piece + "100%"),
                          std::string::npos);
        }
    }
}

} // namespace
