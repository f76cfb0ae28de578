#pragma once

// An in-memory grid of character cells: a byte and an attribute each, with a
// cursor. The POSIX build's screen and the tests' screen.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Cell {
    unsigned char byte = ' ';
    std::uint8_t attribute = 7;
    bool operator==(const Cell&) const = default;
};

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
void putRun(ScreenModel& model, int row, int column, const char* bytes, std::size_t count,
            std::uint8_t attribute);
void fillRow(ScreenModel& model, int row, std::uint8_t attribute);
void scrollUp(ScreenModel& model, int rows, std::uint8_t attribute);
// The bytes of one row, zero bytes shown as spaces (for tests and tools).
std::string rowText(const ScreenModel& model, int row);
