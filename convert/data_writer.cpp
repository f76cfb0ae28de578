#include "convert/data_writer.h"

#include <charconv>
#include <cstring>
#include <string_view>
#include <vector>

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
// the line (and a block label when one is due) and "data ".
void convertPixel(DataWriting& writing, const std::uint8_t* bgr, DataLine& line) {
    ++writing.valuesInBlock;
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
}

void writeFooter() {
    newline(DATA_FILE);
    writeLine(DATA_FILE, "'End of Bitmap");
    writeLine(DATA_FILE, RULE_LINE);
}

int openTarget(const DataFileTarget& target) {
    if (target.standardOutput)
        return openStandardOutput(DATA_FILE_NUMBER);
    return openFile(target.path, FileMode::Output, DATA_FILE_NUMBER);
}

// Writes the data file of a picture whose stored rows (the bottom row
// first) readRow gives, one after the other, as blue, green and red bytes.
template <typename ReadRow>
DataFileResult writeRows(const BitmapInfo& info, DataWriting& writing, const DataFileTarget& target,
                         const Text& originalName, const ProgressReport& report, ReadRow readRow) {
    writing = DataWriting{};
    const bool opened = openTarget(target) == FILE_OK;
    buildTimestamp(writing);
    writeHeader(info, originalName);
    const std::uint16_t width = info.width;
    const std::uint16_t height = info.height;
    std::vector<std::uint8_t> row(3 * std::size_t{width});
    DataLine line;
    for (std::uint16_t y = 1; y <= height; ++y) {
        // A bitmap that shrank after its header was read ends the
        // conversion: values made of missing bytes would be wrong.
        if (!readRow(row.data())) {
            discardFile(DATA_FILE_NUMBER);
            return DataFileResult::BitmapEnded;
        }
        for (std::size_t x = 0; x < width; ++x)
            convertPixel(writing, &row[3 * x], line);
        // The bar depends on the row alone: one report covers its pixels.
        report(y, height, width);
    }
    printLine(line);
    writeFooter();
    const bool written = closeFile(DATA_FILE_NUMBER) == FILE_OK && opened;
    return written ? DataFileResult::Written : DataFileResult::NotWritten;
}

} // namespace

DataFileResult writeDataFile(const BitmapReading& bitmap, DataWriting& writing,
                             const Text& bitmapPath, const Text& originalName,
                             const ProgressReport& report) {
    return writeBitmapDataFile(bitmap, writing, {dataFileName(bitmapPath), false}, originalName,
                               report);
}

DataFileResult writeBitmapDataFile(const BitmapReading& bitmap, DataWriting& writing,
                                   const DataFileTarget& target, const Text& originalName,
                                   const ProgressReport& report) {
    const std::size_t rowBytes = 3 * std::size_t{bitmap.info.width};
    // Rows are stored in whole 4-byte units; 3 * width + width % 4 is one.
    const std::size_t padding = bitmap.info.width % 4;
    const auto readRow = [&bitmap, rowBytes, padding](std::uint8_t* bgr) {
        const bool whole = readBytes(bitmap.fileNumber, bgr, rowBytes) == FILE_OK;
        skipBytes(bitmap.fileNumber, padding);
        return whole;
    };
    const DataFileResult result =
        writeRows(bitmap.info, writing, target, originalName, report, readRow);
    closeFile(bitmap.fileNumber);
    return result;
}

DataFileResult writePictureDataFile(const Picture& picture, DataWriting& writing,
                                    const DataFileTarget& target, const Text& originalName,
                                    const ProgressReport& report) {
    const BitmapInfo info{static_cast<std::uint16_t>(picture.width),
                          static_cast<std::uint16_t>(picture.height), ACCEPTED_BITS_PER_PIXEL};
    // The bottom row first, as a bitmap stores it.
    int y = picture.height;
    const auto readRow = [&picture, &y](std::uint8_t* bgr) {
        --y;
        for (int x = 0; x < picture.width; ++x, bgr += 3) {
            const std::uint8_t* rgb = &picture.rgb[pixelOffset(picture, x, y)];
            bgr[0] = rgb[2];
            bgr[1] = rgb[1];
            bgr[2] = rgb[0];
        }
        return true;
    };
    return writeRows(info, writing, target, originalName, report, readRow);
}
