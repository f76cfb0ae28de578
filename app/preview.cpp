#include "app/preview.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>

#include "app/palette_colour.h"
#include "services/standard_io.h"

namespace {

const Text UPPER_HALF_BLOCK = "\xE2\x96\x80";
const Text BLANK_PIXEL = "  ";
const Text ROW_END = "\x1b[0m\n";
const Text CONTROL_SEQUENCE = "\x1b[";
// What SGR says of a colour: which half it colours, then how it is given.
const Text FOREGROUND = "38";
const Text BACKGROUND = "48";
const Text TRUE_COLOUR = ";2;";
const Text PALETTE = ";5;";
// Columns a pixel takes where the locale is not UTF-8.
constexpr int BLANK_PIXEL_COLUMNS = 2;

void appendNumber(Text& out, unsigned value) {
    char digits[8];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// A pixel's colour as the terminal is to be given it: 24-bit red, green and
// blue in one number, or a palette entry. Equal keys need no new SGR.
struct ColourKey {
    std::uint32_t value = 0;
    friend bool operator==(const ColourKey&, const ColourKey&) = default;
};

ColourKey keyOf(const Picture& picture, int x, int y, PreviewColours colours) {
    const std::size_t at = pixelOffset(picture, x, y);
    const std::uint8_t red = picture.rgb[at];
    const std::uint8_t green = picture.rgb[at + 1];
    const std::uint8_t blue = picture.rgb[at + 2];
    if (colours == PreviewColours::Palette)
        return {paletteColour(red, green, blue)};
    return {static_cast<std::uint32_t>(red << 16 | green << 8 | blue)};
}

// "38;2;R;G;B", "48;5;N" and the like, after a ";" when another came first.
void appendColour(Text& parameters, const Text& half, ColourKey key, PreviewColours colours) {
    if (!parameters.empty())
        parameters += ';';
    parameters += half;
    if (colours == PreviewColours::Palette) {
        parameters += PALETTE;
        appendNumber(parameters, key.value);
        return;
    }
    parameters += TRUE_COLOUR;
    appendNumber(parameters, key.value >> 16);
    parameters += ';';
    appendNumber(parameters, key.value >> 8 & 0xFF);
    parameters += ';';
    appendNumber(parameters, key.value & 0xFF);
}

// The colours set so far in the text row being written.
struct RowColours {
    std::optional<ColourKey> foreground;
    std::optional<ColourKey> background;
};

// Sends what changes of the colours for the next cell; a half not given
// stays as it is.
void setColours(Text& out, RowColours& row, std::optional<ColourKey> foreground,
                std::optional<ColourKey> background, PreviewColours colours) {
    Text parameters;
    if (foreground && row.foreground != foreground) {
        appendColour(parameters, FOREGROUND, *foreground, colours);
        row.foreground = foreground;
    }
    if (background && row.background != background) {
        appendColour(parameters, BACKGROUND, *background, colours);
        row.background = background;
    }
    if (!parameters.empty())
        out += CONTROL_SEQUENCE + parameters + 'm';
}

void appendHalfBlockRow(Text& out, const Picture& picture, int y, PreviewColours colours) {
    RowColours row;
    const bool lowerHalf = y + 1 < picture.height;
    for (int x = 0; x < picture.width; ++x) {
        std::optional<ColourKey> lower;
        if (lowerHalf)
            lower = keyOf(picture, x, y + 1, colours);
        setColours(out, row, keyOf(picture, x, y, colours), lower, colours);
        out += UPPER_HALF_BLOCK;
    }
    out += ROW_END;
}

void appendBlankRow(Text& out, const Picture& picture, int y, PreviewColours colours) {
    RowColours row;
    for (int x = 0; x < picture.width; ++x) {
        setColours(out, row, std::nullopt, keyOf(picture, x, y, colours), colours);
        out += BLANK_PIXEL;
    }
    out += ROW_END;
}

} // namespace

PreviewColours previewColoursFor(const std::optional<Text>& colourTerm,
                                 const std::optional<Text>& terminalSession) {
    if (colourTerm == "truecolor" || colourTerm == "24bit" || terminalSession)
        return PreviewColours::TrueColour;
    return PreviewColours::Palette;
}

int previewWidth(int width, int columns, bool utf8) {
    if (columns <= 0)
        return width;
    const int room = (columns - 1) / (utf8 ? 1 : BLANK_PIXEL_COLUMNS);
    return std::max(1, std::min(width, room));
}

Text previewCaption(const Text& name, int width, int height, const Text& options, int shownWidth) {
    Text caption = nameForLine(name) + ": " + std::to_string(width) + " x " +
                   std::to_string(height) + " pixels";
    if (!options.empty())
        caption += ", " + options;
    if (shownWidth < width)
        caption += "; this preview is shrunk to " + std::to_string(shownWidth) +
                   " pixels wide to fit the terminal";
    return caption;
}

Text previewText(const Picture& picture, const Text& caption, const PreviewStyle& style) {
    Text out = caption + "\n";
    if (style.utf8) {
        for (int y = 0; y < picture.height; y += 2)
            appendHalfBlockRow(out, picture, y, style.colours);
    } else {
        for (int y = 0; y < picture.height; ++y)
            appendBlankRow(out, picture, y, style.colours);
    }
    return out;
}
