#include "app/batch.h"

#include "convert/bitmap_header.h"
#include "convert/data_file_name.h"
#include "convert/data_writer.h"
#include "convert/refusals.h"
#include "services/clock.h"
#include "services/environment.h"
#include "services/files.h"
#include "services/standard_io.h"

namespace {

constexpr int EXIT_NOT_ALL_CONVERTED = 1;
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

// Converts one named bitmap; false, with its reason on standard error, when
// it was refused or its data file could not be written or reported.
bool convertFile(int bitmapFileNumber, const Text& file) {
    BitmapReading bitmap{bitmapFileNumber, {}, 0};
    DataWriting writing;
    const Text problem = readProblem(file);
    if (!problem.empty()) {
        refuse(file, problem);
        return false;
    }
    const HeaderVerdict verdict = readBitmapHeader(bitmap, file);
    if (verdict != HeaderVerdict::Ok) {
        closeFile(bitmapFileNumber);
        refuse(file, refusalText(verdict, bitmap.headerByte));
        return false;
    }
    switch (writeDataFile(bitmap, writing, file, fileNameOf(file), noProgress)) {
    case DataFileResult::Written:
        break;
    case DataFileResult::NotWritten:
        refuse(file,
               "could not write " + nameForLine(dataFileName(file)) + reasonOf(writeProblem()));
        return false;
    case DataFileResult::BitmapEnded:
        refuse(file, "ended before its last pixel; no data file written");
        return false;
    }
    return writeOutputLine(nameForLine(dataFileName(file)) + ": " +
                           unsignedText(bitmap.info.width) + " x " +
                           unsignedText(bitmap.info.height));
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

int convertFiles(const std::vector<Text>& files) {
    if (!takeSourceDate())
        return EXIT_BAD_SOURCE_DATE;
    protectUnfinishedFiles();
    const int bitmapFileNumber = freeFileNumber();
    bool everyOne = true;
    for (const Text& file : files) {
        if (!convertFile(bitmapFileNumber, file))
            everyOne = false;
    }
    closeAllFiles();
    return everyOne ? 0 : EXIT_NOT_ALL_CONVERTED;
}
