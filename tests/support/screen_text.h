#pragma once

// Filling a screen model the way the console writes a fixed text: one byte
// to a cell, each shown as its glyph.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "services/host/screen_model.h"

inline void putRun(ScreenModel& model, int row, int column, const char* bytes, std::size_t count,
                   std::uint8_t attribute) {
    std::vector<ScreenCharacter> characters;
    for (std::size_t i = 0; i < count; ++i)
        characters.push_back(fixedCharacter(static_cast<unsigned char>(bytes[i])));
    putCharacters(model, row, column, characters.data(), characters.size(), attribute);
}
