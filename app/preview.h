#pragma once

// The preview: a picture written to the terminal in the colours the display
// will show, two picture rows to a text row as upper half blocks, or, where
// the locale is not UTF-8, each pixel as two blank cells in its colour. Pure
// text: the caller decides what to draw and writes the text out.

#include <optional>

#include "convert/picture.h"
#include "services/textforms.h"

// How the terminal is given a colour: 24-bit (SGR 38;2;R;G;B), or the
// nearest entry of the 256-colour palette (SGR 38;5;N).
enum class PreviewColours { TrueColour, Palette };

struct PreviewStyle {
    PreviewColours colours = PreviewColours::TrueColour;
    // Whether the terminal reads UTF-8, and so can show U+2580.
    bool utf8 = true;
};

// 24-bit when COLORTERM (colourTerm) is "truecolor" or "24bit", or
// WT_SESSION (terminalSession) is set at all, as Windows Terminal sets it
// for every program it starts; the palette otherwise.
PreviewColours previewColoursFor(const std::optional<Text>& colourTerm,
                                 const std::optional<Text>& terminalSession);

// The width, in pixels, to draw a picture of width pixels at on a terminal
// of columns (0 when standard output is not a terminal): its own width
// while it fits, else as many pixels as fit, a pixel taking one column, or
// two where the locale is not UTF-8; at least 1. The last column is left
// free, so that no row ends in the column where the cursor would wrap.
int previewWidth(int width, int columns, bool utf8);

// The caption line: the name as nameForLine() shows it, the picture's size
// in pixels, the options that made it (empty for none), and, when shownWidth
// is below width, that the preview is shrunk to fit the terminal.
// "photo.jpg: 176 x 132 pixels, --fit --dither=ordered; this preview is
// shrunk to 79 pixels wide to fit the terminal"
Text previewCaption(const Text& name, int width, int height, const Text& options, int shownWidth);

// The whole text of a preview: the caption and "\n", then the picture from
// its top row. In UTF-8 each text row holds two picture rows as U+2580,
// foreground the upper pixel, background the lower; an odd last row sets
// only the foreground, leaving the lower half in the terminal's own
// background. Otherwise each text row is one picture row, each pixel two
// spaces in its colour as background. A colour is sent only where it
// changes within a row; every row ends with SGR 0 and "\n", so the terminal
// is left in its own colours. The picture is drawn as given: in the colours
// to show, at the width to show.
Text previewText(const Picture& picture, const Text& caption, const PreviewStyle& style);
