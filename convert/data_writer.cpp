#include "convert/data_writer.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "convert/data_file_name.h"
#include "services/clock.h"
#include "services/files.h"
#include "services/printing.h"

namespace {

const Text RULE_LINE = "'" + Text(81, '#');
const Text LABEL_COMMENT = "           'Longdatareadhelper";
const Text DATA_LINE_START = "data ";

constexpr Printer DATA_FILE{DATA_FILE_NUMBER};

// Month, day, year, hour, minute and second: each piece taken from a fresh
// reading of the clock.
void buildTimestamp(DataWriting& writing) {
    assign(writing.timestamp, leftText(dateText(), 2));
    append(writing.timestamp, midText(dateText(), 4, 2));
    append(writing.timestamp, rightText(dateText(), 4));
    append(writing.timestamp, leftText(timeText(), 2));
    append(writing.timestamp, midText(timeText(), 4, 2));
    append(writing.timestamp, rightText(timeText(), 2));
}

// The name as the "'originalname: " line shows it: control bytes and the
// direction marks become "?", so that no name can break the lines of the
// BASIC source or make an editor show them as other text.
Text printableName(const Text& bitmapName) {
    Text shown = withDirectionMarksShown(bitmapName);
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127)
            c = '?';
    }
    return shown;
}

void writeHeader(const BitmapInfo& info, const Text& originalName) {
    writeLine(DATA_FILE, RULE_LINE);
    printText(DATA_FILE_NUMBER, "bildname:", PrintSeparator::NextZone);
    writeLine(DATA_FILE, "'originalname: " + printableName(nameAsText(originalName)));
    write(DATA_FILE, "'Konvertiertes Bitmap - Aufloesung: ");
    writeNumber(DATA_FILE, info.width);
    write(DATA_FILE, "x");
    printUnsigned16(DATA_FILE_NUMBER, info.height, PrintSeparator::Newline);
    newline(DATA_FILE);
    // The dimension line is ended by the first pixel, which opens a data line.
    write(DATA_FILE, DATA_LINE_START);
    writeNumber(DATA_FILE, info.width);
    write(DATA_FILE, ", ");
    writeNumber(DATA_FILE, info.height);
}

void writeBlockLabel(DataWriting& writing) {
    ++writing.blockNumber;
    assign(writing.blockLabel, writing.timestamp);
    append(writing.blockLabel, unsignedText(writing.blockNumber));
    append(writing.blockLabel, ":");
    writing.valuesInBlock = 0;
    newline(DATA_FILE);
    write(DATA_FILE, fullText(writing.blockLabel));
    write(DATA_FILE, LABEL_COMMENT);
}

// One data line in the making, printed whole when the next one begins: the
// same bytes as printing every piece on its own, in far fewer calls. Its
// longest form, the line end, "data " and eight five-digit values with "%"
// and ", " between them, is 69 bytes.
struct DataLine {
    char bytes[80];
    std::size_t size = 0;
};

void append(DataLine& line, std::string_view text) {
    std::memcpy(line.bytes + line.size, text.data(), text.size());
    line.size += text.size();
}

void printLine(DataLine& line) {
    writeText(DATA_FILE_NUMBER, line.bytes, line.size);
    line.size = 0;
}

// One value and what goes before it: ", " on the same line, or the end of
// the line (and a block label when one is due) and "data ". False when the
// bitmap ended before the pixel's bytes.
bool convertPixel(DataWriting& writing, int bitmapFileNumber, DataLine& line) {
    ++writing.valuesInBlock;
    std::uint8_t bgr[3];
    const bool whole = readBytes(bitmapFileNumber, bgr, 3) == FILE_OK;
    const std::uint16_t value = rgb565(bgr[2], bgr[1], bgr[0]);
    ++writing.valuesOnLine;
    if (writing.valuesOnLine < VALUES_PER_LINE) {
        append(line, ", ");
    } else {
        printLine(line);
        if (writing.valuesInBlock >= writing.blockLimit - VALUES_PER_LINE)
            writeBlockLabel(writing);
        append(line, NEWLINE);
        append(line, DATA_LINE_START);
        writing.valuesOnLine = 0;
    }
    // The last byte is kept for the "%".
    char* end =
        std::to_chars(line.bytes + line.size, line.bytes + sizeof line.bytes - 1, value).ptr;
    *end++ = '%';
    line.size = static_cast<std::size_t>(end - line.bytes);
    return whole;
}

void writeFooter() {
    newline(DATA_FILE);
    writeLine(DATA_FILE, "'End of Bitmap");
    writeLine(DATA_FILE, RULE_LINE);
}

} // namespace

DataFileResult writeDataFile(const BitmapReading& bitmap, DataWriting& writing,
                             const Text& bitmapPath, const Text& originalName,
                             const ProgressReport& report) {
    writing = DataWriting{};
    const bool opened =
        openFile(dataFileName(bitmapPath), FileMode::Output, DATA_FILE_NUMBER) == FILE_OK;
    buildTimestamp(writing);
    writeHeader(bitmap.info, originalName);
    const std::uint16_t width = bitmap.info.width;
    const std::uint16_t height = bitmap.info.height;
    DataLine line;
    // A bitmap that shrank after its header was read ends the conversion:
    // values made of missing bytes would be wrong.
    bool pixelsRead = true;
    for (std::uint16_t y = 1; y <= height; ++y) {
        for (std::uint16_t x = 1; x <= width && pixelsRead; ++x)
            pixelsRead = convertPixel(writing, bitmap.fileNumber, line);
        if (!pixelsRead)
            break;
        // The bar depends on the row alone: one report covers its pixels.
        report(y, height, width);
        // Rows are stored in whole 4-byte units; 3 * width + width % 4 is one.
        skipBytes(bitmap.fileNumber, width % 4);
    }
    closeFile(bitmap.fileNumber);
    if (!pixelsRead) {
        discardFile(DATA_FILE_NUMBER);
        return DataFileResult::BitmapEnded;
    }
    printLine(line);
    writeFooter();
    const bool written = closeFile(DATA_FILE_NUMBER) == FILE_OK && opened;
    return written ? DataFileResult::Written : DataFileResult::NotWritten;
}
