// The bitmap header reader on arbitrary file contents: the peek and the
// validating read must reach what the bytes call for. The peek always closes
// the file, a size or depth refusal closes it too, and Ok leaves it open at
// the first pixel of a file that holds them all.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "convert/bitmap_header.h"
#include "fuzz/fuzz_support.h"
#include "services/files.h"

namespace {

struct FileBytes {
    const std::uint8_t* data;
    std::size_t size;
};

// A byte past the end of the file reads as 0.
std::uint8_t byteAt(const FileBytes& file, std::size_t at) {
    return at < file.size ? file.data[at] : 0;
}

std::uint32_t littleEndian(const FileBytes& file, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value |= static_cast<std::uint32_t>(byteAt(file, at + static_cast<std::size_t>(i)))
                 << (8 * i);
    return value;
}

std::int64_t strideOf(std::uint32_t width) {
    return (3 * std::int64_t{width} + 3) / 4 * 4;
}

// The verdict worked out from the bytes alone, in the order the tests are made.
HeaderVerdict expectedVerdict(const FileBytes& file) {
    if (byteAt(file, 0) != 'B' || byteAt(file, 1) != 'M' || byteAt(file, 14) != 40)
        return HeaderVerdict::BadFormat;
    std::uint32_t width = littleEndian(file, 18, 4);
    auto height = static_cast<std::int32_t>(littleEndian(file, 22, 4));
    if (width < 1 || width > MAX_BITMAP_WIDTH || height < 1 || height > MAX_BITMAP_HEIGHT)
        return HeaderVerdict::WrongSize;
    if (byteAt(file, 26) != 1)
        return HeaderVerdict::BadFormat;
    if (byteAt(file, 28) != ACCEPTED_BITS_PER_PIXEL)
        return HeaderVerdict::WrongDepth;
    if (littleEndian(file, 30, 4) != 0)
        return HeaderVerdict::BadFormat; // compressed
    std::uint32_t offset = littleEndian(file, 10, 4);
    std::int64_t needed = offset + strideOf(width) * (height - 1) + 3 * std::int64_t{width};
    if (offset < 54 || static_cast<std::int64_t>(file.size) < needed)
        return HeaderVerdict::BadFormat;
    return HeaderVerdict::Ok;
}

// A private directory for the one file every input is written to.
std::string& bitmapDirectory() {
    static std::string directory;
    return directory;
}

void removeBitmapDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(bitmapDirectory(), ignored);
}

std::string bitmapPath() {
    return bitmapDirectory() + "/pic.bmp";
}

void writeBitmap(const FileBytes& file) {
    std::FILE* stream = std::fopen(bitmapPath().c_str(), "wb");
    check(stream != nullptr, "the bitmap file can be written");
    if (file.size > 0)
        check(std::fwrite(file.data, 1, file.size, stream) == file.size, "every byte is written");
    check(std::fclose(stream) == 0, "the bitmap file is closed after writing");
}

void checkPeek(const BitmapReading& state, const FileBytes& file) {
    int number = state.fileNumber;
    const BitmapInfo info = peekBitmapHeader(bitmapPath(), number);
    check(freeFileNumber() == number, "the peek closes the file");
    bool walked = byteAt(file, 0) == 'B' && byteAt(file, 1) == 'M' && byteAt(file, 14) == 40 &&
                  byteAt(file, 26) == 1;
    check(info.width == (walked ? littleEndian(file, 18, 2) : 0), "peeked width");
    check(info.height == (walked ? littleEndian(file, 22, 2) : 0), "peeked height");
    check(info.bitsPerPixel == (walked ? byteAt(file, 28) : 0), "peeked bit count");
}

// On Ok the next bytes read are every pixel byte from the data offset on.
void checkPixelsFollow(BitmapReading& state, const FileBytes& file) {
    check(state.info.width >= 1 && state.info.width <= MAX_BITMAP_WIDTH, "width 1..176 on Ok");
    check(state.info.height >= 1 && state.info.height <= MAX_BITMAP_HEIGHT, "height 1..132 on Ok");
    std::uint32_t offset = littleEndian(file, 10, 4);
    std::int64_t pixelBytes =
        strideOf(state.info.width) * (state.info.height - 1) + 3 * std::int64_t{state.info.width};
    check(offset + pixelBytes <= static_cast<std::int64_t>(file.size),
          "the file holds every pixel");
    for (std::int64_t i = 0; i < pixelBytes; ++i) {
        std::uint8_t byte = 0;
        check(readByte(state.fileNumber, byte) == FILE_OK, "the bitmap stays open on Ok");
        check(byte == file.data[offset + static_cast<std::size_t>(i)],
              "the bytes read after Ok are the file's from the data offset on");
    }
}

void checkRead(BitmapReading& state, const FileBytes& file) {
    int number = state.fileNumber;
    state.headerByte = 0;
    HeaderVerdict verdict = readBitmapHeader(state, bitmapPath());
    check(verdict == expectedVerdict(file), "the verdict the bytes call for");
    if (byteAt(file, 0) == 'B' && byteAt(file, 1) == 'M' && byteAt(file, 14) == 40) {
        check(state.info.width == littleEndian(file, 18, 2), "width read");
        check(state.info.height == littleEndian(file, 22, 2), "height read");
    }
    switch (verdict) {
    case HeaderVerdict::Ok:
        check(freeFileNumber() != number, "Ok leaves the bitmap open");
        checkPixelsFollow(state, file);
        break;
    case HeaderVerdict::WrongDepth:
        check(state.headerByte == byteAt(file, 28), "WrongDepth carries the bit count");
        check(freeFileNumber() == number, "WrongDepth closes the bitmap");
        break;
    case HeaderVerdict::WrongSize:
        check(freeFileNumber() == number, "WrongSize closes the bitmap");
        break;
    case HeaderVerdict::BadFormat:
        // The program ends after BadFormat, and its end closes the file.
        closeFile(number);
        check(freeFileNumber() == number, "BadFormat holds no file but the bitmap's");
        break;
    }
    closeAllFiles();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pictoline-fuzz-XXXXXX").string();
    check(mkdtemp(pattern.data()) != nullptr, "a private temporary directory can be made");
    bitmapDirectory() = pattern;
    std::atexit(removeBitmapDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FileBytes file{data, size};
    writeBitmap(file);
    BitmapReading state;
    state.fileNumber = freeFileNumber();
    check(state.fileNumber != 0, "a file number is free");
    checkPeek(state, file);
    checkRead(state, file);
    return 0;
}
