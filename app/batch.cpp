#include "app/batch.h"

#include "convert/bitmap_header.h"
#include "convert/data_file_name.h"
#include "convert/data_writer.h"
#include "convert/refusals.h"
#include "services/files.h"
#include "services/standard_io.h"

namespace {

constexpr int EXIT_NOT_ALL_CONVERTED = 1;

void refuse(const Text& file, const Text& reason) {
    writeErrorLine("pictoline: " + nameForLine(file) + ": " + reason);
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
        refuse(file, "could not write " + nameForLine(dataFileName(file)));
        return false;
    case DataFileResult::BitmapEnded:
        refuse(file, "ended before its last pixel; no data file written");
        return false;
    }
    return writeOutputLine(nameForLine(dataFileName(file)) + ": " +
                           unsignedText(bitmap.info.width) + " x " +
                           unsignedText(bitmap.info.height));
}

} // namespace

int convertFiles(const std::vector<Text>& files) {
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
