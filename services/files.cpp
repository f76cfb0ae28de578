#include "services/files.h"

#include <cstdio>

namespace {

ListingState listing;
FileRecord records[FILE_NUMBER_COUNT];
bool exitHandlerRegistered = false;

FileRecord* openRecord(int number) {
    if (number < 1 || number > FILE_NUMBER_COUNT)
        return nullptr;
    FileRecord& record = records[number - 1];
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

} // namespace

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
        if (!records[number - 1].open)
            return number;
    }
    return 0;
}

int openFile(const Text& name, FileMode mode, int number) {
    if (number < 1 || number > FILE_NUMBER_COUNT)
        return FILE_OPEN_FAILED;
    FileRecord& record = records[number - 1];
    if (record.open)
        return FILE_NOT_OPEN;
    std::FILE* stream = nullptr;
    Text temporaryName;
    Text target = name;
    if (mode == FileMode::Binary) {
        stream = hostOpenForReading(name);
    } else {
        target = hostReplacementTarget(name);
        if (!hostRefusesReplacement(target))
            stream = hostCreateTemporary(target, temporaryName);
    }
    if (stream == nullptr)
        return FILE_OPEN_FAILED;
    std::setvbuf(stream, nullptr, _IOFBF, FILE_BUFFER_SIZE);
    record.open = true;
    record.mode = mode;
    record.access = mode == FileMode::Binary ? FileAccess::ReadOnly : FileAccess::WriteOnly;
    record.stream = stream;
    record.column = 0;
    record.name = target;
    record.temporaryName = temporaryName;
    record.writeFailed = false;
    if (!exitHandlerRegistered) {
        exitHandlerRegistered = true;
        hostAtExit(closeAllFiles);
    }
    return FILE_OK;
}

int readByte(int number, std::uint8_t& byte) {
    FileRecord* record = openRecord(number);
    if (record == nullptr)
        return FILE_NOT_OPEN;
    const int value = std::fgetc(record->stream);
    byte = value == EOF ? 0 : static_cast<std::uint8_t>(value);
    return FILE_OK;
}

int writeText(int number, const char* bytes, std::size_t count) {
    FileRecord* record = openRecord(number);
    if (record == nullptr)
        return FILE_NOT_OPEN;
    if (std::fwrite(bytes, 1, count, record->stream) < count) {
        record->writeFailed = true;
        return FILE_SHORT_WRITE;
    }
    record->column = columnAfter(record->column, bytes, count);
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
    bool failed = record->writeFailed;
    if (std::fflush(record->stream) != 0 || !hostSyncFile(record->stream))
        failed = true;
    if (std::ferror(record->stream) != 0)
        failed = true;
    if (std::fclose(record->stream) != 0)
        failed = true;
    record->stream = nullptr;
    if (failed) {
        hostRemoveFile(record->temporaryName.c_str());
        freeRecord(*record);
        return FILE_SHORT_WRITE;
    }
    int result = FILE_OK;
    if (!hostReplaceFile(record->temporaryName, record->name)) {
        hostRemoveFile(record->temporaryName.c_str());
        result = FILE_OPEN_FAILED;
    }
    freeRecord(*record);
    return result;
}

void closeAllFiles() {
    for (int number = 1; number <= FILE_NUMBER_COUNT; ++number) {
        if (records[number - 1].open)
            closeFile(number);
    }
}

std::size_t fileColumn(int number) {
    const FileRecord* record = openRecord(number);
    return record == nullptr ? 0 : record->column;
}

void removeUnfinishedFiles() {
    for (const FileRecord& record : records) {
        if (record.open && record.mode == FileMode::Output)
            hostRemoveFile(record.temporaryName.c_str());
    }
}

std::int64_t fileLength(int number) {
    if (number < 1 || number > FILE_NUMBER_COUNT || !records[number - 1].open)
        return -1;
    std::FILE* stream = records[number - 1].stream;
    long position = std::ftell(stream);
    if (position < 0 || std::fseek(stream, 0, SEEK_END) != 0)
        return -1;
    long length = std::ftell(stream);
    std::fseek(stream, position, SEEK_SET);
    return length;
}

Text startDirectory() { return hostStartDirectory(); }

Text pathSeparator() { return Text(1, hostPathSeparator()); }
