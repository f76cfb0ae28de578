#include <gtest/gtest.h>

#include "services/console.h"
#include "services/printing.h"
#include "tests/fakes/fakes.h"

namespace {

// Everything printed to the screen, as the bytes a redirected output receives.
class PrintingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetFakeSurface();
        fakeSurface().isConsole = false;
    }
    const std::string& printed() { return fakeSurface().passedThrough; }
};

TEST_F(PrintingTest, NumbersAndSeparators) {
    const struct {
        const char* name;
        void (*print)();
        std::string expected;
    } cases[] = {
        {"176 plain", [] { printUnsigned16(0, 176, PrintSeparator::None); }, "176"},
        {"132 with line end", [] { printUnsigned16(0, 132, PrintSeparator::Newline); }, "132\r\n"},
        {"24 with line end", [] { printUnsigned8(0, 24, PrintSeparator::Newline); }, "24\r\n"},
        {"zero", [] { printUnsigned16(0, 0, PrintSeparator::None); }, "0"},
        {"largest", [] { printUnsigned16(0, 65535, PrintSeparator::None); }, "65535"},
        {"empty text with line end", [] { printText(0, "", PrintSeparator::Newline); }, "\r\n"},
        {"bare None", [] { printSeparator(0, PrintSeparator::None); }, ""},
        {"zero bytes kept", [] { printText(0, Text("a\0b", 3), PrintSeparator::None); },
         std::string("a\0b", 3)},
        {"zone after bildname",
         [] {
             printText(0, "bildname:", PrintSeparator::NextZone);
             printText(0, "'originalname: ", PrintSeparator::None);
             printText(0, "pic.bmp", PrintSeparator::Newline);
         },
         "bildname:     'originalname: pic.bmp\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetFakeSurface();
        fakeSurface().isConsole = false;
        c.print();
        EXPECT_EQ(printed(), c.expected);
    }
}

TEST_F(PrintingTest, NumberWithLineEndOnAFullBottomRowScrollsTwice) {
    fakeSurface().isConsole = true;
    setColour(15, 1);
    clearScreen();
    moveCursor(25, 1);
    writeToScreen(std::string(78, 'x').data(), 78);
    // "24" fills the row; the line end then takes the owed row and one more.
    printUnsigned8(0, 24, PrintSeparator::Newline);
    EXPECT_EQ(rowText(surfaceModel(), 23).substr(78), "24");
    EXPECT_EQ(rowText(surfaceModel(), 24), std::string(80, ' '));
}

} // namespace
