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

void write(const Text& text) {
    printText(DATA_FILE_NUMBER, text, PrintSeparator::None);
}
void writeLine(const Text& text) {
    printText(DATA_FILE_NUMBER, text, PrintSeparator::Newline);
}
void endLine() {
    printSeparator(DATA_FILE_NUMBER, PrintSeparator::Newline);
}
void writeNumber(std::uint16_t value) {
    printUnsigned16(DATA_FILE_NUMBER, value, PrintSeparator::None);
}

// Month, day, year, hour, minute and second: each piece taken from a fresh
// reading of the clock.
void buildTimestamp(ConversionState& state) {
    assign(state.timestamp, leftText(dateText(), 2));
    append(state.timestamp, midText(dateText(), 4, 2));
    append(state.timestamp, rightText(dateText(), 4));
    append(state.timestamp, leftText(timeText(), 2));
    append(state.timestamp, midText(timeText(), 4, 2));
    append(state.timestamp, rightText(timeText(), 2));
}

void writeHeader(const ConversionState& state, const Text& originalName) {
    writeLine(RULE_LINE);
    printText(DATA_FILE_NUMBER, "bildname:", PrintSeparator::NextZone);
    writeLine("'originalname: " + printableName(nameAsText(originalName)));
    write("'Konvertiertes Bitmap - Aufloesung: ");
    writeNumber(state.info.width);
    write("x");
    printUnsigned16(DATA_FILE_NUMBER, state.info.height, PrintSeparator::Newline);
    endLine();
    // The dimension line is ended by the first pixel, which opens a data line.
    write(DATA_LINE_START);
    writeNumber(state.info.width);
    write(", ");
    writeNumber(state.info.height);
}

void writeBlockLabel(ConversionState& state) {
    ++state.blockNumber;
    assign(state.blockLabel, state.timestamp);
    append(state.blockLabel, unsignedText(state.blockNumber));
    append(state.blockLabel, ":");
    state.valuesInBlock = 0;
    endLine();
    write(fullText(state.blockLabel));
    write(LABEL_COMMENT);
}

std::uint8_t readBitmapByte(const ConversionState& state) {
    std::uint8_t byte = 0;
    readByte(state.bitmapFileNumber, byte);
    return byte;
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
bool convertPixel(ConversionState& state, DataLine& line) {
    ++state.valuesInBlock;
    std::uint8_t bgr[3];
    const bool whole = readBytes(state.bitmapFileNumber, bgr, 3) == FILE_OK;
    const std::uint16_t value = rgb565(bgr[2], bgr[1], bgr[0]);
    ++state.valuesOnLine;
    if (state.valuesOnLine < VALUES_PER_LINE) {
        append(line, ", ");
    } else {
        printLine(line);
        if (state.valuesInBlock >= state.blockLimit - VALUES_PER_LINE)
            writeBlockLabel(state);
        append(line, NEWLINE);
        append(line, DATA_LINE_START);
        state.valuesOnLine = 0;
    }
    // The last byte is kept for the "%".
    char* end =
        std::to_chars(line.bytes + line.size, line.bytes + sizeof line.bytes - 1, value).ptr;
    *end++ = '%';
    line.size = static_cast<std::size_t>(end - line.bytes);
    return whole;
}

void writeFooter() {
    endLine();
    writeLine("'End of Bitmap");
    writeLine(RULE_LINE);
}

} // namespace

Text printableName(const Text& bitmapName) {
    Text shown = bitmapName;
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127)
            c = '?';
    }
    return shown;
}

DataFileResult writeDataFile(ConversionState& state, const Text& bitmapPath,
                             const Text& originalName, ProgressReport report) {
    const bool opened =
        openFile(dataFileName(bitmapPath), FileMode::Output, DATA_FILE_NUMBER) == FILE_OK;
    buildTimestamp(state);
    writeHeader(state, originalName);
    const std::uint16_t width = state.info.width;
    DataLine line;
    // A bitmap that shrank after its header was read ends the conversion:
    // values made of missing bytes would be wrong.
    bool pixelsRead = true;
    for (std::uint16_t y = 1; y <= state.info.height && pixelsRead; ++y) {
        for (std::uint16_t x = 1; x <= width && pixelsRead; ++x)
            pixelsRead = convertPixel(state, line);
        if (!pixelsRead)
            break;
        // The bar depends on the row alone: one report covers its pixels.
        report(state, y, state.info.height, width);
        // Rows are stored in whole 4-byte units; 3 * width + width % 4 is one.
        for (int padding = width % 4; padding > 0; --padding)
            readBitmapByte(state);
    }
    closeFile(state.bitmapFileNumber);
    if (!pixelsRead) {
        discardFile(DATA_FILE_NUMBER);
        return DataFileResult::BitmapEnded;
    }
    printLine(line);
    writeFooter();
    const bool written = closeFile(DATA_FILE_NUMBER) == FILE_OK && opened;
    return written ? DataFileResult::Written : DataFileResult::NotWritten;
}
