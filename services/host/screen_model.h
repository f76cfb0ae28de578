#pragma once

// An in-memory grid of character cells: a character and an attribute each,
// with a cursor. The POSIX build's screen and the tests' screen.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "services/host/screen_characters.h"

struct Cell {
    ScreenCharacter character = BLANK_CHARACTER;
    std::uint8_t attribute = 7;
    // Cells are compared by the thousand at every present: as their bytes.
    bool operator==(const Cell& other) const {
        return std::memcmp(this, &other, sizeof(Cell)) == 0;
    }
};
static_assert(sizeof(Cell) == 16 && std::has_unique_object_representations_v<Cell>);

struct ScreenModel {
    int width = 0;
    int height = 0;
    std::vector<Cell> cells; // row after row, width cells each
    int cursorRow = 1;
    int cursorColumn = 1;
    std::uint8_t attribute = 7;
};

ScreenModel makeScreenModel(int width, int height);
Cell& cellAt(ScreenModel& model, int row, int column);
const Cell& cellAt(const ScreenModel& model, int row, int column);
// Puts characters into consecutive cells of one row, a wide one into two;
// what lies outside the row is left out. Half of a wide character that is
// overwritten leaves its other half blank, as on a terminal.
void putCharacters(ScreenModel& model, int row, int column, const ScreenCharacter* characters,
                   std::size_t count, std::uint8_t attribute);
void fillRow(ScreenModel& model, int row, std::uint8_t attribute);
void scrollUp(ScreenModel& model, int rows, std::uint8_t attribute);
