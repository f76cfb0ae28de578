#include "services/screen_model.h"

#include <algorithm>

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

void putRun(ScreenModel& model, int row, int column, const char* bytes, std::size_t count,
            std::uint8_t attribute) {
    if (row < 1 || row > model.height)
        return;
    for (std::size_t i = 0; i < count; ++i) {
        long long x = static_cast<long long>(column) + static_cast<long long>(i);
        if (x > model.width)
            break;
        if (x < 1)
            continue;
        Cell& cell = cellAt(model, row, static_cast<int>(x));
        cell.byte = static_cast<unsigned char>(bytes[i]);
        cell.attribute = attribute;
    }
}

void fillRow(ScreenModel& model, int row, std::uint8_t attribute) {
    if (row < 1 || row > model.height)
        return;
    for (int x = 1; x <= model.width; ++x)
        cellAt(model, row, x) = Cell{' ', attribute};
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
        unsigned char byte = cellAt(model, row, x).byte;
        text.push_back(byte == 0 ? ' ' : static_cast<char>(byte));
    }
    return text;
}
