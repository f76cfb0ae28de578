// Writes the sample pictures that `make run` starts Pictoline on: bitmaps to
// convert, and one of each kind the program refuses.
//
//     pictoline_samples DIRECTORY

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

struct Colour {
    std::uint8_t red, green, blue;
};

using Painter = std::function<Colour(int x, int y)>;

void put(std::string& bytes, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The 14-byte file header and the 40-byte information header.
std::string headers(int width, int height, int bits, std::uint32_t paletteSize, std::uint32_t pixelBytes) {
    const std::uint32_t offset = 54 + paletteSize;
    std::string bytes = "BM";
    put(bytes, offset + pixelBytes, 4);
    put(bytes, 0, 4);
    put(bytes, offset, 4);
    put(bytes, 40, 4);
    put(bytes, static_cast<std::uint32_t>(width), 4);
    put(bytes, static_cast<std::uint32_t>(height), 4);
    put(bytes, 1, 2);
    put(bytes, static_cast<std::uint32_t>(bits), 2);
    put(bytes, 0, 4); // no compression
    put(bytes, pixelBytes, 4);
    put(bytes, 2835, 4); // 72 dots per inch
    put(bytes, 2835, 4);
    put(bytes, bits == 8 ? 256 : 0, 4);
    put(bytes, 0, 4);
    return bytes;
}

// A 24-bit picture, y = 0 the top row; rows are stored bottom row first.
std::string picture(int width, int height, const Painter& paint) {
    const int stride = (3 * width + 3) / 4 * 4;
    std::string bytes = headers(width, height, 24, 0, static_cast<std::uint32_t>(stride * height));
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Colour c = paint(x, y);
            bytes += static_cast<char>(c.blue);
            bytes += static_cast<char>(c.green);
            bytes += static_cast<char>(c.red);
        }
        bytes.append(static_cast<std::size_t>(stride - 3 * width), '\0');
    }
    return bytes;
}

// An 8-bit grey picture with its palette, which Pictoline names and refuses.
std::string greyPicture(int width, int height) {
    const int stride = (width + 3) / 4 * 4;
    std::string bytes = headers(width, height, 8, 1024, static_cast<std::uint32_t>(stride * height));
    for (std::uint32_t level = 0; level < 256; ++level)
        put(bytes, level * 0x010101u, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            bytes += static_cast<char>((x * 255) / (width - 1));
        bytes.append(static_cast<std::size_t>(stride - width), '\0');
    }
    return bytes;
}

std::uint8_t level(int value, int range) { return static_cast<std::uint8_t>(value * 255 / range); }

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
    ok &= save(directory / "white-pixel.bmp", picture(1, 1, [](int, int) { return Colour{255, 255, 255}; }));
    ok &= save(directory / "too-large.bmp", picture(320, 240, checkerboard));
    ok &= save(directory / "grey-8bit.bmp", greyPicture(64, 32));
    ok &= save(directory / "not-a-picture.bmp", "These are words, not pixels.\n");
    ok &= save(directory / "more" / "checkerboard.bmp", picture(32, 32, checkerboard));
    return ok ? 0 : 1;
}
