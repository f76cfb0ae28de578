#pragma once

// Screen models as the tests fill and read them: a fixed text written one
// byte to a cell, each shown as its glyph; a row read back as UTF-8.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "services/host/screen_model.h"

inline void putRun(ScreenModel& model, int row, int column, const char* bytes, std::size_t count,
                   std::uint8_t attribute) {
    std::vector<ScreenCharacter> characters;
    for (std::size_t i = 0; i < count; ++i)
        characters.push_back(fixedCharacter(static_cast<unsigned char>(bytes[i])));
    putCharacters(model, row, column, characters.data(), characters.size(), attribute);
}

// The characters of one row as UTF-8; the right half of a wide character adds nothing.
inline std::string rowText(const ScreenModel& model, int row) {
    std::string text;
    if (row < 1 || row > model.height)
        return text;
    for (int x = 1; x <= model.width; ++x) {
        const ScreenCharacter& character = cellAt(model, row, x).character;
        text.append(character.bytes, character.length);
    }
    return text;
}
