#include "services/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "services/host/host.h"
#include "services/host/screen_characters.h"
#include "services/host/utf8.h"

namespace {

// The listing in progress: the host's search, the effective mask, and the
// entry last found.
struct ListingState {
    bool searching = false;
    std::uint32_t mask = 0;
    HostSearch search = nullptr;
    HostEntry entry;
};

// A numbered file: free, or open in its mode with its stream.
struct FileRecord {
    bool open = false;
    FileMode mode = FileMode::Binary;
    std::FILE* stream = nullptr;
    // Bytes between the program and the stream, FILE_BUFFER_SIZE at a time:
    // read ahead (Binary) or waiting to be written (Output).
    Text buffer;
    std::size_t bufferPosition = 0;
    // Binary: the position in the file of the buffer's end.
    std::int64_t streamPosition = 0;
    std::size_t column = 0;
    bool writeFailed = false;
    // Output that goes to standard output, which stays open after the file closes.
    bool standardOutput = false;
    // The system's reason for the first write that failed.
    Text writeProblem;
};

// The numbered files, and whether closing them all is arranged for the end
// of the program.
struct FileTable {
    FileRecord records[FILE_NUMBER_COUNT];
    bool closedAtExit = false;
    // Why the output file that last failed could not be written.
    Text writeProblem;
};

ListingState listing;
FileTable files;

FileRecord* openRecord(int number) {
    if (number < 1 || number > FILE_NUMBER_COUNT)
        return nullptr;
    FileRecord& record = files.records[number - 1];
    return record.open ? &record : nullptr;
}

bool passes(std::uint32_t attributes, std::uint32_t mask) {
    return (attributes & 0xFFu & ~mask) == 0;
}

void endListing() {
    if (listing.search != nullptr)
        hostFindClose(listing.search);
    listing.search = nullptr;
    listing.searching = false;
}

Text continueListing() {
    if (!listing.searching)
        return "";
    while (hostFindNext(listing.search, listing.entry)) {
        if (passes(listing.entry.attributes, listing.mask))
            return listing.entry.name;
    }
    endListing();
    return "";
}

void freeRecord(FileRecord& record) {
    record = FileRecord{};
}

// Hands the waiting output to the stream; false, and the file marked as
// failed, when not all of it could be written.
bool writeBuffer(FileRecord& record) {
    const std::size_t count = record.buffer.size();
    const bool written = std::fwrite(record.buffer.data(), 1, count, record.stream) == count;
    if (!written && !record.writeFailed)
        record.writeProblem = std::strerror(errno);
    record.buffer.clear();
    if (!written)
        record.writeFailed = true;
    return written;
}

// The streams of the files open for reading.
std::vector<std::FILE*> beingRead() {
    std::vector<std::FILE*> streams;
    for (const FileRecord& record : files.records) {
        if (record.open && record.mode == FileMode::Binary)
            streams.push_back(record.stream);
    }
    return streams;
}

} // namespace

void beginDirectoryPass() {
    hostBeginDirectoryPass();
}

Text listDirectory(const Text& pattern, std::uint32_t mask) {
    if (pattern.empty())
        return continueListing();
    endListing();
    listing.search = hostFindFirst(pattern, listing.entry);
    if (listing.search == nullptr)
        return "";
    std::uint32_t effective = mask & 0xFFu;
    if ((effective & ATTRIBUTE_DIRECTORY) == 0)
        effective |= ATTRIBUTE_ARCHIVE;
    listing.mask = effective;
    listing.searching = true;
    if (passes(listing.entry.attributes, listing.mask))
        return listing.entry.name;
    return continueListing();
}

Text currentDirectory() {
    return hostCurrentDirectory();
}

int changeDirectory(const Text& path) {
    return hostChangeDirectory(path) ? 0 : -1;
}

int freeFileNumber() {
    for (int number = 1; number <= FILE_NUMBER_COUNT; ++number) {
        if (!files.records[number - 1].open)
            return number;
    }
    return 0;
}

int openFile(const Text& name, FileMode mode, int number) {
    if (number < 1 || number > FILE_NUMBER_COUNT)
        return FILE_OPEN_FAILED;
    FileRecord& record = files.records[number - 1];
    if (record.open)
        return FILE_NOT_OPEN;
    std::FILE* stream = mode == FileMode::Binary ? hostOpenForReading(name)
                                                 : hostStartReplacement(name, beingRead());
    if (stream == nullptr) {
        if (mode == FileMode::Output)
            files.writeProblem = hostReplacementProblem();
        return FILE_OPEN_FAILED;
    }
    // Output is gathered in the record's own buffer and handed over whole.
    if (mode == FileMode::Output)
        std::setvbuf(stream, nullptr, _IONBF, 0);
    else
        std::setvbuf(stream, nullptr, _IOFBF, FILE_BUFFER_SIZE);
    record.open = true;
    record.mode = mode;
    record.stream = stream;
    record.column = 0;
    record.writeFailed = false;
    if (!files.closedAtExit) {
        files.closedAtExit = true;
        hostAtExit(closeAllFiles);
    }
    return FILE_OK;
}

bool isBeingRead(const Text& name) {
    return hostIsBeingRead(name, beingRead());
}

int openStandardOutput(int number) {
    if (number < 1 || number > FILE_NUMBER_COUNT)
        return FILE_OPEN_FAILED;
    FileRecord& record = files.records[number - 1];
    if (record.open)
        return FILE_NOT_OPEN;
    std::FILE* stream = hostBinaryStandardOutput();
    if (stream == nullptr)
        return FILE_OPEN_FAILED;
    record = FileRecord{};
    record.open = true;
    record.mode = FileMode::Output;
    record.stream = stream;
    record.standardOutput = true;
    return FILE_OK;
}

int readByte(int number, std::uint8_t& byte) {
    FileRecord* record = openRecord(number);
    if (record == nullptr)
        return FILE_NOT_OPEN;
    if (record->bufferPosition == record->buffer.size()) {
        record->buffer.resize(FILE_BUFFER_SIZE);
        record->buffer.resize(
            std::fread(record->buffer.data(), 1, FILE_BUFFER_SIZE, record->stream));
        record->bufferPosition = 0;
        record->streamPosition += static_cast<std::int64_t>(record->buffer.size());
    }
    if (record->buffer.empty()) {
        byte = 0;
        return FILE_PAST_END;
    }
    byte = static_cast<std::uint8_t>(record->buffer[record->bufferPosition++]);
    return FILE_OK;
}

int readBytes(int number, std::uint8_t* bytes, std::size_t count) {
    FileRecord* record = openRecord(number);
    if (record == nullptr)
        return FILE_NOT_OPEN;
    const std::size_t buffered = record->buffer.size() - record->bufferPosition;
    if (buffered >= count) {
        std::memcpy(bytes, record->buffer.data() + record->bufferPosition, count);
        record->bufferPosition += count;
        return FILE_OK;
    }
    // A long read takes what is buffered, then goes to the stream directly.
    if (count - buffered >= FILE_BUFFER_SIZE) {
        std::memcpy(bytes, record->buffer.data() + record->bufferPosition, buffered);
        record->buffer.clear();
        record->bufferPosition = 0;
        const std::size_t wanted = count - buffered;
        const std::size_t got = std::fread(bytes + buffered, 1, wanted, record->stream);
        std::memset(bytes + buffered + got, 0, wanted - got);
        return got == wanted ? FILE_OK : FILE_PAST_END;
    }
    int result = FILE_OK;
    for (std::size_t i = 0; i < count; ++i) {
        if (readByte(number, bytes[i]) != FILE_OK)
            result = FILE_PAST_END;
    }
    return result;
}

int skipBytes(int number, std::uint64_t count) {
    FileRecord* record = openRecord(number);
    if (record == nullptr || record->mode != FileMode::Binary)
        return FILE_NOT_OPEN;
    const std::size_t buffered = record->buffer.size() - record->bufferPosition;
    if (count <= buffered) {
        record->bufferPosition += static_cast<std::size_t>(count);
        return FILE_OK;
    }
    const std::int64_t position =
        record->streamPosition + static_cast<std::int64_t>(count - buffered);
    record->buffer.clear();
    record->bufferPosition = 0;
    if (!hostSeek(record->stream, position))
        return FILE_PAST_END;
    record->streamPosition = position;
    return FILE_OK;
}

int writeText(int number, const char* bytes, std::size_t count) {
    FileRecord* record = openRecord(number);
    if (record == nullptr)
        return FILE_NOT_OPEN;
    if (record->mode != FileMode::Output)
        return FILE_SHORT_WRITE; // bitmaps are opened for reading only
    record->buffer.append(bytes, count);
    record->column = columnAfter(record->column, bytes, count);
    if (record->buffer.size() >= FILE_BUFFER_SIZE && !writeBuffer(*record))
        return FILE_SHORT_WRITE;
    return FILE_OK;
}

int closeFile(int number) {
    FileRecord* record = openRecord(number);
    if (record == nullptr)
        return FILE_NOT_OPEN;
    if (record->mode == FileMode::Binary) {
        std::fclose(record->stream);
        freeRecord(*record);
        return FILE_OK;
    }
    bool failed = !writeBuffer(*record) || record->writeFailed;
    if (std::fflush(record->stream) != 0 || std::ferror(record->stream) != 0) {
        if (!failed)
            record->writeProblem = std::strerror(errno);
        failed = true;
    }
    if (!record->standardOutput && !hostFinishReplacement(record->stream, !failed) && !failed) {
        record->writeProblem = hostReplacementProblem();
        failed = true;
    }
    if (failed)
        files.writeProblem = record->writeProblem;
    freeRecord(*record);
    return failed ? FILE_SHORT_WRITE : FILE_OK;
}

int discardFile(int number) {
    FileRecord* record = openRecord(number);
    if (record == nullptr)
        return FILE_NOT_OPEN;
    if (record->standardOutput)
        std::fflush(record->stream);
    else if (record->mode == FileMode::Output)
        hostFinishReplacement(record->stream, false);
    else
        std::fclose(record->stream);
    freeRecord(*record);
    return FILE_OK;
}

Text writeProblem() {
    return files.writeProblem;
}

void closeAllFiles() {
    for (int number = 1; number <= FILE_NUMBER_COUNT; ++number) {
        if (files.records[number - 1].open)
            closeFile(number);
    }
}

std::size_t fileColumn(int number) {
    const FileRecord* record = openRecord(number);
    return record == nullptr ? 0 : record->column;
}

std::int64_t fileLength(int number) {
    if (number < 1 || number > FILE_NUMBER_COUNT || !files.records[number - 1].open)
        return -1;
    return hostFileLength(files.records[number - 1].stream);
}

Text startDirectory() {
    return hostStartDirectory();
}

Text pathSeparator() {
    return Text(1, hostPathSeparator());
}

Text nameAsText(const Text& name) {
    return hostNameAsText(name);
}

Text withDirectionMarksShown(const Text& text) {
    return withMarkedAsQuestionMarks(text, isDirectionMark);
}

Text readProblem(const Text& name) {
    return hostReadProblem(name);
}

Text fileNameOf(const Text& path) {
    return hostBaseName(path);
}

void protectUnfinishedFiles() {
    hostProtectUnfinishedFiles();
}
