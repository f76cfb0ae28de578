#include "services/screen_model.h"

#include <algorithm>

namespace {

bool isRightHalf(const Cell& cell) {
    return cell.character.width == 0;
}

// Blanks the half of a wide character that lies outside columns from..to
// of a row, before they are overwritten.
void breakWideCharacters(ScreenModel& model, int row, int from, int to) {
    if (from > 1 && isRightHalf(cellAt(model, row, from)))
        cellAt(model, row, from - 1).character = ScreenCharacter{};
    if (to < model.width && isRightHalf(cellAt(model, row, to + 1)))
        cellAt(model, row, to + 1).character = ScreenCharacter{};
}

} // namespace

ScreenModel makeScreenModel(int width, int height) {
    ScreenModel model;
    model.width = std::max(width, 0);
    model.height = std::max(height, 0);
    model.cells.assign(static_cast<std::size_t>(model.width) * model.height, Cell{});
    return model;
}

Cell& cellAt(ScreenModel& model, int row, int column) {
    return model.cells[static_cast<std::size_t>(row - 1) * model.width + (column - 1)];
}

const Cell& cellAt(const ScreenModel& model, int row, int column) {
    return model.cells[static_cast<std::size_t>(row - 1) * model.width + (column - 1)];
}

void putCharacters(ScreenModel& model, int row, int column, const ScreenCharacter* characters,
                   std::size_t count, std::uint8_t attribute) {
    if (row < 1 || row > model.height)
        return;
    long long x = column;
    for (std::size_t i = 0; i < count; ++i) {
        const ScreenCharacter& character = characters[i];
        const long long last = x + character.width - 1;
        if (last > model.width)
            break;
        if (x >= 1) {
            const int at = static_cast<int>(x);
            breakWideCharacters(model, row, at, static_cast<int>(last));
            cellAt(model, row, at) = Cell{character, attribute};
            if (character.width == 2)
                cellAt(model, row, at + 1) = Cell{RIGHT_HALF, attribute};
        }
        x = last + 1;
    }
}

void fillRow(ScreenModel& model, int row, std::uint8_t attribute) {
    if (row < 1 || row > model.height)
        return;
    for (int x = 1; x <= model.width; ++x)
        cellAt(model, row, x) = Cell{ScreenCharacter{}, attribute};
}

void scrollUp(ScreenModel& model, int rows, std::uint8_t attribute) {
    if (rows <= 0)
        return;
    int kept = rows >= model.height ? 0 : model.height - rows;
    auto width = static_cast<std::ptrdiff_t>(model.width);
    if (kept > 0)
        std::copy(model.cells.begin() + rows * width, model.cells.end(), model.cells.begin());
    for (int row = kept + 1; row <= model.height; ++row)
        fillRow(model, row, attribute);
}

std::string rowText(const ScreenModel& model, int row) {
    std::string text;
    if (row < 1 || row > model.height)
        return text;
    for (int x = 1; x <= model.width; ++x) {
        const ScreenCharacter& character = cellAt(model, row, x).character;
        text.append(character.bytes, character.length);
    }
    return text;
}
