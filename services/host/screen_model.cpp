#include "services/host/screen_model.h"

#include <algorithm>

namespace {

bool isRightHalf(const Cell& cell) {
    return cell.character.width == 0;
}

// Blanks the half of a wide character that lies outside columns from..to
// of a row, before they are overwritten.
void breakWideCharacters(ScreenModel& model, int row, int from, int to) {
    if (from > 1 && isRightHalf(cellAt(model, row, from)))
        cellAt(model, row, from - 1).character = BLANK_CHARACTER;
    if (to < model.width && isRightHalf(cellAt(model, row, to + 1)))
        cellAt(model, row, to + 1).character = BLANK_CHARACTER;
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
    std::size_t first = 0;
    for (; first < count && x < 1; ++first)
        x += characters[first].width;
    // The run covers columns from x on; only its two ends can cut a wide character.
    long long end = x;
    std::size_t last = first;
    for (; last < count && end + characters[last].width - 1 <= model.width; ++last)
        end += characters[last].width;
    if (last == first)
        return;
    breakWideCharacters(model, row, static_cast<int>(x), static_cast<int>(end - 1));
    Cell* cell = &cellAt(model, row, static_cast<int>(x));
    for (std::size_t i = first; i < last; ++i) {
        *cell++ = Cell{characters[i], attribute};
        if (characters[i].width == 2)
            *cell++ = Cell{RIGHT_HALF, attribute};
    }
}

void fillRow(ScreenModel& model, int row, std::uint8_t attribute) {
    if (row < 1 || row > model.height)
        return;
    for (int x = 1; x <= model.width; ++x)
        cellAt(model, row, x) = Cell{BLANK_CHARACTER, attribute};
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
