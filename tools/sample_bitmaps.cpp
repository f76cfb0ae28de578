// Writes the sample pictures that `make run` starts Pictoline on: bitmaps to
// convert, and one of each kind the program refuses. The bitmaps are made by
// the writer the tests use too.
//
//     pictoline_samples DIRECTORY

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "tools/bitmap_writer.h"

namespace {

struct Colour {
    std::uint8_t red, green, blue;
};

using Painter = std::function<Colour(int x, int y)>;

// A 24-bit picture painted with y = 0 the top row; rows are stored bottom row first.
std::string picture(int width, int height, const Painter& paint) {
    return makePicture(width, height, [&](int stored) {
        const Colour c = paint(stored % width, height - 1 - stored / width);
        return Pixel{c.red, c.green, c.blue};
    });
}

std::uint8_t level(int value, int range) {
    return static_cast<std::uint8_t>(value * 255 / range);
}

Colour sunset(int x, int y) {
    const std::uint8_t sky = level(y, 131);
    const bool sun = (x - 120) * (x - 120) + (y - 80) * (y - 80) < 400;
    if (sun)
        return {255, 220, 60};
    if (y > 100)
        return {0, 40, static_cast<std::uint8_t>(80 + (y - 100) * 4)}; // the sea
    return {255, static_cast<std::uint8_t>(sky / 2 + 40), static_cast<std::uint8_t>(160 - sky / 2)};
}

Colour stripes(int x, int) {
    static const Colour colours[] = {{255, 0, 0},   {255, 128, 0}, {255, 255, 0}, {0, 255, 0},
                                     {0, 255, 255}, {0, 0, 255},   {128, 0, 255}};
    return colours[x * 7 / 60];
}

Colour smiley(int x, int y) {
    const int dx = 2 * x - 15, dy = 2 * y - 15;
    const bool face = dx * dx + dy * dy <= 225;
    const bool eye = y == 5 && (x == 5 || x == 10);
    const bool mouth = y == 11 && x >= 5 && x <= 10;
    if (!face)
        return {255, 255, 255};
    return eye || mouth ? Colour{0, 0, 0} : Colour{255, 210, 0};
}

Colour checkerboard(int x, int y) {
    return ((x / 4 + y / 4) % 2) != 0 ? Colour{0, 0, 0} : Colour{255, 255, 255};
}

bool save(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) {
        std::fprintf(stderr, "pictoline_samples: could not write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pictoline_samples DIRECTORY\n");
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::error_code error;
    std::filesystem::create_directories(directory / "more", error);
    bool ok = save(directory / "sunset.bmp", picture(176, 132, sunset));
    ok &= save(directory / "stripes.bmp", picture(60, 40, stripes));
    ok &= save(directory / "smiley.bmp", picture(16, 16, smiley));
    ok &= save(directory / "white-pixel.bmp", picture(1, 1, [](int, int) {
                   return Colour{255, 255, 255};
               }));
    ok &= save(directory / "too-large.bmp", picture(320, 240, checkerboard));
    ok &= save(directory / "grey-8bit.bmp", makeGreyPicture(64, 32));
    ok &= save(directory / "not-a-picture.bmp", "These are words, not pixels.\n");
    ok &= save(directory / "more" / "checkerboard.bmp", picture(32, 32, checkerboard));
    return ok ? 0 : 1;
}
