#pragma once

// The glyph a terminal shows for one byte of the screen: bytes 32-126 are
// themselves, 0 is a blank, every other byte its code page 437 glyph.

#include <string>

// Appends the glyph of byte: UTF-8 when utf8 is set, "?" for non-ASCII otherwise.
void appendGlyph(std::string& out, unsigned char byte, bool utf8);
