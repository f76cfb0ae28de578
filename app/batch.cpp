#include "app/batch.h"

#include <string>
#include <vector>

#include "app/preview.h"
#include "convert/bitmap_header.h"
#include "convert/data_file_name.h"
#include "convert/data_writer.h"
#include "convert/display_colours.h"
#include "convert/picture_decoder.h"
#include "convert/refusals.h"
#include "services/clock.h"
#include "services/colour_output.h"
#include "services/environment.h"
#include "services/files.h"
#include "services/standard_io.h"

namespace {

constexpr int EXIT_NOT_ALL_CONVERTED = 1;
// Follows a refusal that --fit would not have made.
const Text FIT_HINT = " (--fit reads any picture)";
constexpr int EXIT_BAD_SOURCE_DATE = 2;
// The reproducible builds' variable: the moment, in seconds since 1970, that
// the labels tell instead of the clock's.
const Text SOURCE_DATE_EPOCH = "SOURCE_DATE_EPOCH";

void refuse(const Text& file, const Text& reason) {
    writeErrorLine("pictoline: " + nameForLine(file) + ": " + reason);
}

// The system's reason after the words it explains, when it gave one.
Text reasonOf(const Text& problem) {
    return problem.empty() ? "" : ": " + nameForLine(problem);
}

// Without the screen there is no progress to show.
void noProgress(std::uint16_t, std::uint16_t, std::uint16_t) {}

DataFileTarget targetOf(const Text& file, const ConversionOptions& options) {
    if (!options.output)
        return {dataFileName(file), false};
    if (*options.output == STANDARD_OUTPUT_NAME)
        return {STANDARD_OUTPUT_NAME, true};
    return {*options.output, false};
}

// Whether the data file would take the place of the picture being read
// (-o naming the picture itself); told as a refusal.
bool replacesPicture(const Text& file, const DataFileTarget& target) {
    if (target.standardOutput || !isBeingRead(target.path))
        return false;
    refuse(file, "the data file " + nameForLine(target.path) +
                     " would take the picture's place; nothing written");
    return true;
}

// Says what became of a data file; false when it was not written.
bool reportResult(const Text& file, const DataFileTarget& target, DataFileResult result,
                  std::uint16_t width, std::uint16_t height) {
    switch (result) {
    case DataFileResult::Written:
        break;
    case DataFileResult::NotWritten:
        refuse(file, "could not write " + nameForLine(target.path) + reasonOf(writeProblem()));
        return false;
    case DataFileResult::BitmapEnded:
        refuse(file, "ended before its last pixel; no data file written");
        return false;
    }
    // Standard output holds the data file itself, and nothing else.
    if (target.standardOutput)
        return true;
    return writeOutputLine(nameForLine(target.path) + ": " + unsignedText(width) + " x " +
                           unsignedText(height));
}

// The whole file, read under the bitmap's number, which stays open while
// its data file is written; false, with the reason told, when it is too
// large to read.
bool readWholeFile(int fileNumber, const Text& file, std::vector<std::uint8_t>& bytes) {
    if (openFile(file, FileMode::Binary, fileNumber) != FILE_OK) {
        refuse(file, "could not be opened");
        return false;
    }
    const std::int64_t length = fileLength(fileNumber);
    if (length < 0 || length > MAX_PICTURE_FILE_BYTES) {
        refuse(file, length < 0 ? "its length cannot be told"
                                : "is larger than 256 MiB; no picture of that size is read");
        return false;
    }
    bytes.resize(static_cast<std::size_t>(length));
    if (readBytes(fileNumber, bytes.data(), bytes.size()) != FILE_OK) {
        refuse(file, "ended while it was read");
        return false;
    }
    return true;
}

// The options that made a picture, as the preview's caption names them.
Text optionsText(const ConversionOptions& options) {
    Text text;
    if (options.fit) {
        text = "--fit";
        if (options.bounds.width != MAX_BITMAP_WIDTH || options.bounds.height != MAX_BITMAP_HEIGHT)
            text += "=" + std::to_string(options.bounds.width) + "x" +
                    std::to_string(options.bounds.height);
    }
    if (options.dither != Dither::None)
        text += Text(text.empty() ? "" : " ") + "--dither=" + ditherName(options.dither);
    return text;
}

// Shows the picture in the colours the display shows, shrunk to the
// terminal's width where it is wider.
bool previewPicture(const Text& file, const Picture& picture, const ConversionOptions& options) {
    const bool utf8 = outputReadsUtf8();
    const Picture shown = shownPicture(picture);
    const int width = previewWidth(shown.width, outputColumns(), utf8);
    const Picture drawn =
        scalePicture(shown, fittedSize({shown.width, shown.height}, {width, shown.height}));
    const PreviewStyle style{
        previewColoursFor(environmentValue("COLORTERM"), environmentValue("WT_SESSION")), utf8};
    return writeOutput(previewText(
        drawn,
        previewCaption(file, picture.width, picture.height, optionsText(options), drawn.width),
        style));
}

// A decoded picture, dithered as asked, then previewed or written.
bool convertDecoded(const Text& file, Picture& picture, const ConversionOptions& options) {
    ditherPicture(picture, options.dither);
    if (options.preview)
        return previewPicture(file, picture, options);
    const DataFileTarget target = targetOf(file, options);
    if (replacesPicture(file, target))
        return false;
    DataWriting writing;
    const DataFileResult result =
        writePictureDataFile(picture, writing, target, fileNameOf(file), noProgress);
    return reportResult(file, target, result, static_cast<std::uint16_t>(picture.width),
                        static_cast<std::uint16_t>(picture.height));
}

// Any picture, decoded and fitted; the file stays open until its data file
// is in place.
bool convertPicture(int fileNumber, const Text& file, const ConversionOptions& options) {
    std::vector<std::uint8_t> bytes;
    bool converted = false;
    if (readWholeFile(fileNumber, file, bytes)) {
        DecodedPicture decoded = decodePicture(bytes.data(), bytes.size(), options.bounds);
        bytes = {};
        if (decoded.problem.empty())
            converted = convertDecoded(file, decoded.picture, options);
        else
            refuse(file, decoded.problem);
    }
    closeFile(fileNumber);
    return converted;
}

// A bitmap of the browser's kind, checked as Enter checks it.
bool convertBitmap(int fileNumber, const Text& file, const ConversionOptions& options) {
    BitmapReading bitmap{fileNumber, {}, 0};
    const HeaderVerdict verdict = readBitmapHeader(bitmap, file);
    if (verdict != HeaderVerdict::Ok) {
        closeFile(fileNumber);
        refuse(file, refusalText(verdict, bitmap.headerByte) + FIT_HINT);
        return false;
    }
    // Dithered or previewed, the bitmap's pixels are read as any picture's.
    if (options.dither != Dither::None || options.preview) {
        closeFile(fileNumber);
        return convertPicture(fileNumber, file, options);
    }
    const DataFileTarget target = targetOf(file, options);
    if (replacesPicture(file, target)) {
        closeFile(fileNumber);
        return false;
    }
    DataWriting writing;
    const DataFileResult result =
        writeBitmapDataFile(bitmap, writing, target, fileNameOf(file), noProgress);
    return reportResult(file, target, result, bitmap.info.width, bitmap.info.height);
}

// Converts one named file; false, with its reason on standard error, when it
// was refused or its data file could not be written or reported.
bool convertFile(int fileNumber, const Text& file, const ConversionOptions& options) {
    const Text problem = readProblem(file);
    if (!problem.empty()) {
        refuse(file, problem);
        return false;
    }
    return options.fit ? convertPicture(fileNumber, file, options)
                       : convertBitmap(fileNumber, file, options);
}

// Holds the clock at the moment SOURCE_DATE_EPOCH gives, when it is set;
// false, with a line on standard error, when it gives none.
bool takeSourceDate() {
    const std::optional<Text> value = environmentValue(SOURCE_DATE_EPOCH);
    if (!value)
        return true;
    const std::optional<std::tm> moment = utcTimeOf(*value);
    if (!moment) {
        writeErrorLine("pictoline: " + SOURCE_DATE_EPOCH + " is not a number of seconds: '" +
                       nameForLine(*value) + "'");
        return false;
    }
    holdClockAt(*moment);
    return true;
}

} // namespace

int convertFiles(const std::vector<Text>& files, const ConversionOptions& options) {
    if (!takeSourceDate())
        return EXIT_BAD_SOURCE_DATE;
    if (options.preview && !beginColourOutput()) {
        writeErrorLine("pictoline: this console cannot show colour sequences; no preview shown");
        return EXIT_NOT_ALL_CONVERTED;
    }
    protectUnfinishedFiles();
    const int fileNumber = freeFileNumber();
    bool everyOne = true;
    for (const Text& file : files) {
        if (!convertFile(fileNumber, file, options))
            everyOne = false;
    }
    closeAllFiles();
    if (options.preview)
        endColourOutput();
    return everyOne ? 0 : EXIT_NOT_ALL_CONVERTED;
}
