// The EXIF orientation on arbitrary bytes, and the turn it calls for: the
// orientation is always one of the eight, and turning a picture keeps every
// pixel, swaps the sides for 5 to 8, and undoes itself or its opposite.

#include <cstdint>

#include "convert/exif_orientation.h"
#include "fuzz/fuzz_support.h"

namespace {

// The turn that undoes each orientation's: 6 and 8 undo each other, every
// other one undoes itself.
int undoing(int orientation) {
    return orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
}

// A small picture whose pixels are the input's first bytes.
Picture pictureFrom(ByteReader& reader) {
    Picture picture;
    picture.width = 1 + nextByte(reader) % 9;
    picture.height = 1 + nextByte(reader) % 9;
    picture.rgb.resize(static_cast<std::size_t>(picture.width * picture.height * 3));
    for (std::uint8_t& byte : picture.rgb)
        byte = nextByte(reader);
    return picture;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int orientation = exifOrientation(data, size);
    check(orientation >= 1 && orientation <= ORIENTATION_COUNT, "one of the eight orientations");
    ByteReader reader{data, size};
    const Picture stored = pictureFrom(reader);
    const Picture upright = orientUpright(stored, orientation);
    const bool swapped = orientation >= 5;
    check(upright.width == (swapped ? stored.height : stored.width), "the width after the turn");
    check(upright.height == (swapped ? stored.width : stored.height), "the height after the turn");
    check(orientUpright(upright, undoing(orientation)).rgb == stored.rgb,
          "the opposite turn brings every pixel back");
    return 0;
}
