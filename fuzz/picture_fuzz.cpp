// The whole --fit path on arbitrary file contents: decode, turn upright,
// fit, and write the data file. Whatever the bytes, a picture comes out
// within its bounds, or a reason and no picture, and the data file of a
// picture is written whole.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "convert/data_writer.h"
#include "convert/picture_decoder.h"
#include "fuzz/fuzz_support.h"
#include "services/files.h"

namespace {

std::string& dataFilePath() {
    static std::string path;
    return path;
}

void removeDataDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(dataFilePath()).parent_path(), ignored);
}

void noProgress(std::uint16_t, std::uint16_t, std::uint16_t) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pictoline-fuzz-XXXXXX").string();
    check(mkdtemp(pattern.data()) != nullptr, "a private temporary directory can be made");
    dataFilePath() = pattern + "/picture.txt";
    std::atexit(removeDataDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader reader{data, size};
    // The bounds first, then the file.
    const PictureSize bounds{1 + nextByte(reader) % MAX_BITMAP_WIDTH,
                             1 + nextByte(reader) % MAX_BITMAP_HEIGHT};
    const std::uint8_t* file = data + reader.at;
    const std::size_t fileSize = atEnd(reader) ? 0 : size - reader.at;
    // A megapixel at most: larger pictures only cost time, and a run of the
    // sanitized build must not stall on one.
    const DecodedPicture decoded = decodePicture(file, fileSize, bounds, 1'000'000);
    if (!decoded.problem.empty()) {
        check(decoded.picture.width == 0 && decoded.picture.rgb.empty(),
              "a refused picture has no pixels");
        return 0;
    }
    const Picture& picture = decoded.picture;
    check(picture.width >= 1 && picture.width <= bounds.width, "the width fits");
    check(picture.height >= 1 && picture.height <= bounds.height, "the height fits");
    check(picture.rgb.size() == static_cast<std::size_t>(picture.width) *
                                    static_cast<std::size_t>(picture.height) * 3,
          "three bytes a pixel");
    DataWriting writing;
    check(writePictureDataFile(picture, writing, {dataFilePath(), false}, "picture", noProgress) ==
              DataFileResult::Written,
          "the data file of a decoded picture is written");
    return 0;
}
