#include "services/posix/line_moves.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Rough bytes for a cursor move before a run of changed cells.
constexpr int RUN_COST = 8;
// Setting and resetting the scroll region and placing the cursor.
constexpr int MOVE_COST = 20;

// About what the cell-by-cell difference of two rows costs to send.
int rowCost(const ScreenModel& model, const ScreenModel& shown, int row) {
    int cost = 0;
    bool inRun = false;
    for (int column = 1; column <= model.width; ++column) {
        const bool differs = !(cellAt(model, row, column) == cellAt(shown, row, column));
        if (differs)
            cost += inRun ? 1 : 1 + RUN_COST;
        inRun = differs;
    }
    return cost;
}

bool sameRow(const ScreenModel& model, int modelRow, const ScreenModel& shown, int shownRow) {
    return std::memcmp(&cellAt(model, modelRow, 1), &cellAt(shown, shownRow, 1),
                       sizeof(Cell) * static_cast<std::size_t>(model.width)) == 0;
}

// FNV-1a over the row's cells, eight bytes at a time.
std::uint64_t rowHash(const ScreenModel& m, int row) {
    std::uint64_t hash = 14695981039346656037u;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&cellAt(m, row, 1));
    const std::size_t words =
        sizeof(Cell) / sizeof(std::uint64_t) * static_cast<std::size_t>(m.width);
    for (std::size_t i = 0; i < words; ++i) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + i * sizeof word, sizeof word);
        hash = (hash ^ word) * 1099511628211u;
    }
    return hash;
}

// landsExactly[r * height + s]: model row r + 1 is what shown row s + 1 shows.
std::vector<bool> exactRows(const ScreenModel& shown, const ScreenModel& model, int height) {
    std::vector<std::uint64_t> shownHashes, modelHashes;
    for (int row = 1; row <= height; ++row) {
        shownHashes.push_back(rowHash(shown, row));
        modelHashes.push_back(rowHash(model, row));
    }
    std::vector<bool> lands(static_cast<std::size_t>(height * height));
    for (int r = 0; r < height; ++r) {
        for (int s = 0; s < height; ++s) {
            const auto at = static_cast<std::size_t>(r * height + s);
            lands[at] = modelHashes[static_cast<std::size_t>(r)] ==
                            shownHashes[static_cast<std::size_t>(s)] &&
                        sameRow(model, r + 1, shown, s + 1);
        }
    }
    return lands;
}

} // namespace

LineMove bestLineMove(const ScreenModel& shown, const ScreenModel& model, int height) {
    LineMove best;
    if (shown.width != model.width || height < 3)
        return best;
    std::vector<int> stay(static_cast<std::size_t>(height)); // each row left where it is
    int changedRows = 0;
    for (int r = 0; r < height; ++r) {
        stay[static_cast<std::size_t>(r)] = rowCost(model, shown, r + 1);
        changedRows += stay[static_cast<std::size_t>(r)] > 0;
    }
    if (changedRows < 2)
        return best;
    // As with hashed line matching, a moved row counts only when it lands
    // exactly; any other row in the block is resent whole.
    const int whole = model.width + RUN_COST;
    const std::vector<bool> lands = exactRows(shown, model, height);
    int bestSaving = 0;
    for (int rows = -(height - 1); rows <= height - 1; ++rows) {
        const int span = rows > 0 ? rows : -rows;
        if (span == 0)
            continue;
        for (int top = 0; top + span < height; ++top) {
            int before = 0;
            int after = MOVE_COST + 2 * span + span * whole;
            for (int bottom = top; bottom < height; ++bottom) {
                before += stay[static_cast<std::size_t>(bottom)];
                if (bottom - span >= top) {
                    // The row of the block that now shows a row it did not show before.
                    const int row = rows > 0 ? bottom - span : bottom;
                    const int from = rows > 0 ? bottom : bottom - span;
                    after += lands[static_cast<std::size_t>(row * height + from)] ? 0 : whole;
                }
                if (bottom - top + 1 > span && before - after > bestSaving) {
                    bestSaving = before - after;
                    best = {top + 1, bottom + 1, rows};
                }
            }
        }
    }
    return best;
}

void applyLineMove(ScreenModel& shown, const LineMove& move) {
    const int span = move.rows > 0 ? move.rows : -move.rows;
    const auto rowAt = [&shown](int row) {
        return shown.cells.begin() + static_cast<std::ptrdiff_t>((row - 1) * shown.width);
    };
    if (move.rows > 0)
        std::copy(rowAt(move.top + span), rowAt(move.bottom + 1), rowAt(move.top));
    else if (move.rows < 0)
        std::copy_backward(rowAt(move.top), rowAt(move.bottom + 1 - span), rowAt(move.bottom + 1));
}
