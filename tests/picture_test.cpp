#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "convert/exif_orientation.h"
#include "convert/fit.h"
#include "convert/jpeg_segments.h"
#include "convert/picture_decoder.h"

namespace {

TEST(Fit, KeepsProportionsWithinBoundsAndNeverEnlarges) {
    const struct {
        PictureSize picture, bounds, fitted;
    } cases[] = {
        {{400, 300}, {176, 132}, {176, 132}}, {{1000, 100}, {176, 132}, {176, 18}},
        {{100, 1000}, {176, 132}, {13, 132}}, {{20, 10}, {176, 132}, {20, 10}},
        {{176, 132}, {176, 132}, {176, 132}}, {{177, 132}, {176, 132}, {176, 131}},
        {{400, 300}, {32, 32}, {32, 24}},     {{200, 100}, {176, 132}, {176, 88}},
        {{100000, 1}, {176, 132}, {176, 1}},  {{1, 100000}, {176, 132}, {1, 132}},
        {{352, 1}, {176, 132}, {176, 1}},     {{3, 2}, {1, 1}, {1, 1}},
    };
    for (const auto& c : cases) {
        const PictureSize fitted = fittedSize(c.picture, c.bounds);
        EXPECT_EQ(fitted.width, c.fitted.width) << c.picture.width << " x " << c.picture.height;
        EXPECT_EQ(fitted.height, c.fitted.height) << c.picture.width << " x " << c.picture.height;
    }
}

// Black and white shrunk together are the grey of half the light, not the
// grey halfway between the two numbers.
TEST(Fit, AveragesInLinearLight) {
    const Picture stripes{2, 1, {0, 0, 0, 255, 255, 255}};
    const Picture grey = scalePicture(stripes, {1, 1});
    ASSERT_EQ(grey.rgb.size(), 3u);
    EXPECT_NEAR(grey.rgb[0], 188, 1);
    const Picture same = scalePicture(stripes, {2, 1});
    EXPECT_EQ(same.rgb, stripes.rgb);
}

// A JPEG's start with an APP1 segment of EXIF data holding one tag.
std::vector<std::uint8_t> jpegWithTag(bool little, std::uint16_t tag, std::uint16_t type,
                                      std::uint16_t value) {
    const auto two = [little](std::uint16_t v) {
        return little ? std::vector<std::uint8_t>{std::uint8_t(v), std::uint8_t(v >> 8)}
                      : std::vector<std::uint8_t>{std::uint8_t(v >> 8), std::uint8_t(v)};
    };
    std::vector<std::uint8_t> tiff = {std::uint8_t(little ? 'I' : 'M'),
                                      std::uint8_t(little ? 'I' : 'M')};
    const auto add = [&tiff](const std::vector<std::uint8_t>& bytes) {
        tiff.insert(tiff.end(), bytes.begin(), bytes.end());
    };
    add(two(42));
    add(little ? std::vector<std::uint8_t>{8, 0, 0, 0} : std::vector<std::uint8_t>{0, 0, 0, 8});
    add(two(1));
    add(two(tag));
    add(two(type));
    add(little ? std::vector<std::uint8_t>{1, 0, 0, 0} : std::vector<std::uint8_t>{0, 0, 0, 1});
    add(two(value));
    add({0, 0, 0, 0, 0, 0});
    std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xE1};
    const std::size_t length = tiff.size() + 8;
    jpeg.push_back(std::uint8_t(length >> 8));
    jpeg.push_back(std::uint8_t(length));
    for (char c : {'E', 'x', 'i', 'f', '\0', '\0'})
        jpeg.push_back(std::uint8_t(c));
    jpeg.insert(jpeg.end(), tiff.begin(), tiff.end());
    jpeg.insert(jpeg.end(), {0xFF, 0xDA, 0, 2});
    return jpeg;
}

TEST(ExifOrientation, ReadsTheTagInEitherByteOrder) {
    const struct {
        std::vector<std::uint8_t> bytes;
        int orientation;
    } cases[] = {
        {jpegWithTag(true, 0x0112, 3, 6), 6},
        {jpegWithTag(false, 0x0112, 3, 8), 8},
        {jpegWithTag(true, 0x0112, 3, 3), 3},
        {jpegWithTag(false, 0x0112, 3, 5), 5},
        {jpegWithTag(true, 0x0112, 3, 0), 1},
        {jpegWithTag(true, 0x0112, 3, 9), 1},
        {jpegWithTag(true, 0x0110, 3, 6), 1},
        {jpegWithTag(true, 0x0112, 4, 6), 1},
        {{0xFF, 0xD8, 0xFF, 0xDA, 0, 2}, 1},
        {{0x89, 'P', 'N', 'G', 0, 0, 0, 0}, 1},
        {{}, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(exifOrientation(c.bytes.data(), c.bytes.size()), c.orientation)
            << testing::PrintToString(c.bytes);
    // Cut before the tag's entry ends, the tag is never read from beyond the
    // end; from there on, it is read.
    const std::vector<std::uint8_t> whole = jpegWithTag(true, 0x0112, 3, 6);
    const std::size_t entryEnd = whole.size() - 4 - 4;
    for (std::size_t size = 0; size <= whole.size(); ++size)
        EXPECT_EQ(exifOrientation(whole.data(), size), size < entryEnd ? 1 : 6) << size;
}

// A 3 x 2 picture stored in each orientation, and the rows seen once it is
// upright: each pixel named by a letter, its red value.
TEST(ExifOrientation, TurnsEveryOrientationUpright) {
    const auto picture = [](int width, int height, const char* letters) {
        Picture p{width, height, {}};
        for (const char* c = letters; *c != '\0'; ++c)
            p.rgb.insert(p.rgb.end(), {std::uint8_t(*c), 0, 0});
        return p;
    };
    const auto lettersOf = [](const Picture& p) {
        std::string letters;
        for (std::size_t i = 0; i < p.rgb.size(); i += 3)
            letters += char(p.rgb[i]);
        return std::to_string(p.width) + "x" + std::to_string(p.height) + ":" + letters;
    };
    // Upright, the picture reads "abc" over "def".
    const struct {
        int orientation;
        Picture stored;
    } cases[] = {
        {1, picture(3, 2, "abcdef")}, {2, picture(3, 2, "cbafed")}, {3, picture(3, 2, "fedcba")},
        {4, picture(3, 2, "defabc")}, {5, picture(2, 3, "adbecf")}, {6, picture(2, 3, "cfbead")},
        {7, picture(2, 3, "fcebda")}, {8, picture(2, 3, "daebfc")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lettersOf(orientUpright(c.stored, c.orientation)), "3x2:abcdef")
            << "orientation " << c.orientation;
}

// A table of more codes than the decoder's table holds is found wherever it
// stands: before the frame, after junk the decoder steps over, between scans.
TEST(JpegSegments, FindsEveryOverfullHuffmanTable) {
    const auto table = [](int codes) {
        std::vector<std::uint8_t> segment = {0xFF, 0xC4, 0, 0, 0x00};
        for (int i = 0; i < 16; ++i)
            segment.push_back(std::uint8_t(codes / 16 + (i < codes % 16 ? 1 : 0)));
        segment.insert(segment.end(), std::size_t(codes), 0);
        segment[2] = std::uint8_t((segment.size() - 2) >> 8);
        segment[3] = std::uint8_t(segment.size() - 2);
        return segment;
    };
    const auto jpeg = [](std::initializer_list<std::vector<std::uint8_t>> parts) {
        std::vector<std::uint8_t> bytes = {0xFF, 0xD8};
        for (const auto& part : parts)
            bytes.insert(bytes.end(), part.begin(), part.end());
        return bytes;
    };
    const std::vector<std::uint8_t> junk = {0x10, 0x10, 0x83};
    const std::vector<std::uint8_t> scan = {0xFF, 0xDA, 0, 2, 0x12, 0xFF, 0x00, 0xFF, 0xD3, 0x34};
    const struct {
        std::vector<std::uint8_t> bytes;
        bool fit;
    } cases[] = {
        {jpeg({table(256)}), true},
        {jpeg({table(257)}), false},
        {jpeg({junk, table(300)}), false},
        {jpeg({table(12), scan, table(4080)}), false},
        {jpeg({table(12), scan, table(200)}), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(huffmanTablesFit(c.bytes.data(), c.bytes.size()), c.fit)
            << testing::PrintToString(c.bytes.size());
}

void appendBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(std::uint8_t(value >> shift));
}

// An RGBA PNG of one row, its pixels in a stored (not compressed) deflate
// block. The decoder checks neither the chunks' CRC nor the Adler sum, so
// they are left 0.
std::vector<std::uint8_t> rgbaPng(const std::vector<std::uint8_t>& rgba) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto chunk = [&png](const char* kind, const std::vector<std::uint8_t>& body) {
        appendBigEndian(png, std::uint32_t(body.size()));
        png.insert(png.end(), kind, kind + 4);
        png.insert(png.end(), body.begin(), body.end());
        appendBigEndian(png, 0);
    };
    std::vector<std::uint8_t> header;
    appendBigEndian(header, std::uint32_t(rgba.size() / 4));
    appendBigEndian(header, 1);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    chunk("IHDR", header);
    const auto length = std::uint16_t(rgba.size() + 1);
    std::vector<std::uint8_t> data = {0x78,
                                      0x01,
                                      0x01,
                                      std::uint8_t(length),
                                      std::uint8_t(length >> 8),
                                      std::uint8_t(~length),
                                      std::uint8_t(~length >> 8),
                                      0};
    data.insert(data.end(), rgba.begin(), rgba.end());
    appendBigEndian(data, 0);
    chunk("IDAT", data);
    chunk("IEND", {});
    return png;
}

// Each channel times alpha / 255, rounded: over the display's black.
TEST(PictureDecoder, PutsAlphaOverBlack) {
    const std::vector<std::uint8_t> png =
        rgbaPng({200, 100, 50, 0, 200, 100, 50, 127, 201, 255, 1, 128, 9, 99, 255, 255});
    const DecodedPicture decoded = decodePicture(png.data(), png.size(), {176, 132});
    ASSERT_EQ(decoded.problem, "");
    EXPECT_EQ(decoded.picture.rgb,
              (std::vector<std::uint8_t>{0, 0, 0, 100, 50, 25, 101, 128, 1, 9, 99, 255}));
}

} // namespace
