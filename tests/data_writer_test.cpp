#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/driver.h"
#include "convert/bitmap_header.h"
#include "convert/conversion_screen.h"
#include "convert/data_file_name.h"
#include "convert/data_writer.h"
#include "services/files.h"
#include "tests/fakes/fakes.h"
#include "tools/bitmap_writer.h"
#ifndef _WIN32
#include <sys/stat.h>

#include "tests/support/ordinary_user.h"
#endif
#include "tests/support/temp_directory.h"

namespace {

const std::string RULE = "'" + std::string(81, '#');

std::vector<std::string> linesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    EXPECT_EQ(start, bytes.size()) << "the file ends inside a line";
    return lines;
}

// The values of the data lines after the dimension line, in order.
std::vector<unsigned> valuesOf(const std::vector<std::string>& lines) {
    std::vector<unsigned> values;
    for (std::size_t i = 5; i < lines.size(); ++i) {
        if (lines[i].rfind("data ", 0) != 0)
            continue;
        std::string rest = lines[i].substr(5);
        for (std::size_t at = 0; at < rest.size();) {
            std::size_t percent = rest.find('%', at);
            values.push_back(static_cast<unsigned>(std::stoul(rest.substr(at, percent - at))));
            at = percent + 3; // past "%, "
        }
    }
    return values;
}

class DataWriterTest : public ::testing::Test {
  protected:
    void SetUp() override { startFakeProgram(program); }
    // Writes the data file of the bitmap read, as the driver does.
    DataFileResult write(const std::string& name) {
        return writeDataFile(program.bitmap, program.writing, name, name,
                             [this](std::uint16_t y, std::uint16_t height, std::uint16_t pixels) {
                                 showProgress(program.progress, y, height, pixels);
                             });
    }
    // Converts the named bitmap as the driver does; the data file's bytes.
    std::string convert(const std::string& name, bool expectWritten = true) {
        EXPECT_EQ(readBitmapHeader(program.bitmap, name), HeaderVerdict::Ok);
        EXPECT_EQ(write(name) == DataFileResult::Written, expectWritten);
        return readFile(name + ".txt");
    }
    TemporaryDirectory directory;
    ProgramState program;
};

TEST_F(DataWriterTest, OneWhitePixelIsTheWholeFile) {
    writeFile("pic.bmp", makePicture(1, 1, [](int) { return Pixel{255, 255, 255}; }));
    EXPECT_EQ(convert("pic.bmp"), RULE +
                                      "\r\n"
                                      "bildname:     'originalname: pic.bmp\r\n"
                                      "'Konvertiertes Bitmap - Aufloesung: 1x1\r\n"
                                      "\r\n"
                                      "data 1, 1\r\n"
                                      "data 65535%\r\n"
                                      "'End of Bitmap\r\n" +
                                      RULE + "\r\n");
}

TEST_F(DataWriterTest, ChannelsKeepTheirHighBits) {
    const struct {
        Pixel pixel;
        unsigned value;
    } cases[] = {
        {{255, 0, 0}, 63488}, {{0, 255, 0}, 2016}, {{0, 0, 255}, 31},        {{0, 0, 0}, 0},
        {{7, 3, 7}, 0},       {{8, 4, 8}, 2081},   {{128, 128, 128}, 33808},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rgb565(c.pixel.red, c.pixel.green, c.pixel.blue), c.value);
    writeFile("p.bmp", makePicture(7, 1, [&](int i) { return cases[i].pixel; }));
    const std::vector<unsigned> values = valuesOf(linesOf(convert("p.bmp")));
    ASSERT_EQ(values.size(), 7u);
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(values[i], cases[i].value) << i;
}

TEST_F(DataWriterTest, LinesHoldEightValuesAndRunAcrossRows) {
    const struct {
        int width, height;
        std::vector<std::string> dataLines;
    } cases[] = {
        {9, 1, {"data 9, 1", "data 0%, 1%, 2%, 3%, 4%, 5%, 6%, 7%", "data 8%"}},
        {3,
         3,
         {"data 3, 3", "data 0%, 1%, 2%, 3%, 4%, 5%, 6%, 7%", "data 8%"}}, // 3 padding bytes a row
        {4, 2, {"data 4, 2", "data 0%, 1%, 2%, 3%, 4%, 5%, 6%, 7%"}},      // no padding
        {2, 4, {"data 2, 4", "data 0%, 1%, 2%, 3%, 4%, 5%, 6%, 7%"}},      // 2 padding bytes a row
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        SetUp();
        // Blue carries the pixel's index in stored order.
        writeFile("p.bmp", makePicture(c.width, c.height, [](int i) {
                      return Pixel{0, 0, static_cast<std::uint8_t>(8 * i)};
                  }));
        std::vector<std::string> lines = linesOf(convert("p.bmp"));
        ASSERT_EQ(lines.size(), 4 + c.dataLines.size() + 2);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end() - 2), c.dataLines);
        EXPECT_EQ(lines[lines.size() - 2], "'End of Bitmap");
    }
}

TEST_F(DataWriterTest, NameLinesAndDataFileName) {
    const struct {
        std::string name, originalLine;
    } cases[] = {
        {"a.b.bmp", "bildname:     'originalname: a.b.bmp"},
#ifndef _WIN32 // names Windows does not allow
        {"tab\there.bmp", "bildname:     'originalname: tab?here.bmp"},
        {"cr\rlf\n.bmp", "bildname:     'originalname: cr?lf?.bmp"},
        {"del\x7f\x1b[31m.bmp", "bildname:     'originalname: del??[31m.bmp"},
        {"caf\xc3\xa9.bmp",
         "bildname:     'originalname: caf\xc3\xa9.bmp"}, // bytes above 127 are kept
        // The marks that turn text right to left, and only they, become "?".
        {"a\u202Egnp.bmp", "bildname:     'originalname: a?gnp.bmp"},
        {"\u061C\u200E\u200F\u202A\u2066\u2069x\u200D\u202F\u2065.bmp",
         "bildname:     'originalname: ??????x\u200D\u202F\u2065.bmp"},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        writeFile(c.name, makeBitmap({2, 2}));
        std::vector<std::string> lines = linesOf(convert(c.name));
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[1], c.originalLine);
        EXPECT_EQ(lines[2], "'Konvertiertes Bitmap - Aufloesung: 2x2");
        EXPECT_TRUE(std::filesystem::exists(c.name + ".txt"));
    }
    EXPECT_EQ(dataFileName("a.b.bmp"), "a.b.bmp.txt");
}

TEST_F(DataWriterTest, SixtyBySixtyHasOneLabelAfterValue3064) {
    writeFile("p.bmp", makePicture(60, 60, [](int) { return Pixel{0, 0, 255}; }));
    const std::string bytes = convert("p.bmp");
    std::vector<std::string> lines = linesOf(bytes);
    // Lines 6 to 388 hold values 1 to 3064; the label stands before value 3065.
    const std::string& label = lines[5 + 383];
    ASSERT_EQ(label.size(), 50u);
    // Month, day, year, hour, minute, second of the clock at the start.
    EXPECT_EQ(label,
              std::string("122520242105071:\0\0\0\0", 20) + "           'Longdatareadhelper");
    EXPECT_EQ(lines[5 + 382], "data 31%, 31%, 31%, 31%, 31%, 31%, 31%, 31%");
    EXPECT_EQ(lines[5 + 384].rfind("data 31%", 0), 0u);
    std::size_t labels = 0;
    for (const std::string& line : lines)
        labels += line.find("Longdatareadhelper") != std::string::npos;
    EXPECT_EQ(labels, 1u);
    EXPECT_EQ(valuesOf(lines).size(), 3600u);
}

TEST_F(DataWriterTest, LargestPictureHasSevenBlocks) {
    writeFile("p.bmp", makePicture(176, 132, [](int i) {
                  return Pixel{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8),
                               static_cast<std::uint8_t>(i * 7)};
              }));
    const std::string bytes = convert("p.bmp");
    std::vector<std::string> lines = linesOf(bytes);
    std::vector<unsigned> values = valuesOf(lines);
    ASSERT_EQ(values.size(), 23232u);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto n = static_cast<int>(i);
        ASSERT_EQ(values[i], rgb565(static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                    static_cast<std::uint8_t>(n * 7)))
            << i;
    }
    // Every block holds 3064 values: label k stands after value 3064 k.
    std::size_t dataLines = 0, valuesSoFar = 0;
    std::string numbers, labelledAfter;
    for (const std::string& line : lines) {
        if (line.rfind("data ", 0) == 0 && dataLines++ > 0)
            valuesSoFar += static_cast<std::size_t>(std::count(line.begin(), line.end(), '%'));
        if (line.find("'Longdatareadhelper") != std::string::npos) {
            numbers += line.substr(14, line.find(':') - 14) + " ";
            labelledAfter += std::to_string(valuesSoFar) + " ";
        }
    }
    EXPECT_EQ(dataLines, 1 + 2904u); // with the dimension line
    EXPECT_EQ(numbers, "1 2 3 4 5 6 7 ");
    EXPECT_EQ(labelledAfter, "3064 6128 9192 12256 15320 18384 21448 ");
    EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1);
    for (std::size_t at = 0; (at = bytes.find('\n', at)) != std::string::npos; ++at)
        ASSERT_EQ(bytes[at - 1], '\r') << at;
}

TEST_F(DataWriterTest, ReplacesAnEarlierDataFileOnlyWhenComplete) {
    writeFile("pic.bmp", makePicture(1, 1, [](int) { return Pixel{255, 255, 255}; }));
    writeFile("pic.bmp.txt", "earlier");
    EXPECT_EQ(convert("pic.bmp"), RULE +
                                      "\r\n"
                                      "bildname:     'originalname: pic.bmp\r\n"
                                      "'Konvertiertes Bitmap - Aufloesung: 1x1\r\n\r\n"
                                      "data 1, 1\r\n"
                                      "data 65535%\r\n"
                                      "'End of Bitmap\r\n" +
                                      RULE + "\r\n");
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string().rfind(".pictoline-", 0), std::string::npos);
}

// A bitmap that shrinks after its header was read fails the conversion: no
// data file, an earlier one kept. Only the last row's padding may be missing.
TEST_F(DataWriterTest, BitmapCutShortDuringTheConversionFailsIt) {
    const std::string whole = makeBitmap({175, 132});
    const struct {
        const char* what;
        std::size_t length;
        bool converts;
    } cases[] = {
        {"cut to 30 000 bytes", 30000, false},
        {"one pixel byte short", whole.size() - 4, false},
        {"without the last row's padding", whole.size() - 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile("pic.bmp", whole);
        writeFile("pic.bmp.txt", "earlier");
        ASSERT_EQ(readBitmapHeader(program.bitmap, "pic.bmp"), HeaderVerdict::Ok);
        std::filesystem::resize_file("pic.bmp", c.length);
        EXPECT_EQ(write("pic.bmp"),
                  c.converts ? DataFileResult::Written : DataFileResult::BitmapEnded);
        EXPECT_EQ(readFile("pic.bmp.txt") == "earlier", !c.converts);
        EXPECT_EQ(freeFileNumber(), 1) << "both files are closed";
        for (const auto& entry : std::filesystem::directory_iterator("."))
            EXPECT_EQ(entry.path().filename().string().rfind(".pictoline-", 0), std::string::npos);
    }
}

TEST_F(DataWriterTest, DataFileThatCannotBeCreatedIsReported) {
    writeFile("pic.bmp", makeBitmap({2, 2}));
    std::filesystem::create_directory("pic.bmp.txt"); // a name taken by a directory
    EXPECT_EQ(readBitmapHeader(program.bitmap, "pic.bmp"), HeaderVerdict::Ok);
    EXPECT_EQ(write("pic.bmp"), DataFileResult::NotWritten);
    EXPECT_TRUE(std::filesystem::is_directory("pic.bmp.txt"));
    EXPECT_EQ(freeFileNumber(), 1) << "both files are closed";
}

#ifndef _WIN32
TEST_F(DataWriterTest, DataFileInReadOnlyDirectoryIsReported) {
    writeFile("pic.bmp", makeBitmap({2, 2}));
    writeFile("pic.bmp.txt", "earlier");
    chmod(".", 0555);
    {
        OrdinaryUser user;
        EXPECT_EQ(readBitmapHeader(program.bitmap, "pic.bmp"), HeaderVerdict::Ok);
        EXPECT_EQ(write("pic.bmp"), DataFileResult::NotWritten);
    }
    chmod(".", 0755);
    EXPECT_EQ(readFile("pic.bmp.txt"), "earlier");
}
#endif

} // namespace
