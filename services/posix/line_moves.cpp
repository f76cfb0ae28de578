#include "services/posix/line_moves.h"

#include <algorithm>
#include <vector>

namespace {

// Rough bytes for a cursor move before a run of changed cells.
constexpr int RUN_COST = 8;
// Setting and resetting the scroll region and placing the cursor.
constexpr int MOVE_COST = 20;

// About what the cell-by-cell difference of two rows costs to send.
int rowCost(const ScreenModel& model, int modelRow, const ScreenModel& shown, int shownRow) {
    int cost = 0;
    bool inRun = false;
    for (int column = 1; column <= model.width; ++column) {
        const bool differs = !(cellAt(model, modelRow, column) == cellAt(shown, shownRow, column));
        if (differs)
            cost += inRun ? 1 : 1 + RUN_COST;
        inRun = differs;
    }
    return cost;
}

} // namespace

LineMove bestLineMove(const ScreenModel& shown, const ScreenModel& model, int height) {
    LineMove best;
    if (shown.width != model.width || height < 3)
        return best;
    // cost[r][s]: model row r drawn over shown row s (0-based).
    std::vector<std::vector<int>> cost(height, std::vector<int>(height));
    int changedRows = 0;
    for (int r = 0; r < height; ++r) {
        for (int s = 0; s < height; ++s)
            cost[r][s] = rowCost(model, r + 1, shown, s + 1);
        changedRows += cost[r][r] > 0;
    }
    if (changedRows < 2)
        return best;
    const int fresh = model.width + RUN_COST; // a row the move brings in
    int bestSaving = 0;
    for (int rows = -(height - 1); rows <= height - 1; ++rows) {
        if (rows == 0)
            continue;
        const int span = rows > 0 ? rows : -rows;
        for (int top = 0; top + span < height; ++top) {
            int before = 0, after = MOVE_COST + 2 * span + span * fresh;
            for (int bottom = top; bottom < height; ++bottom) {
                before += cost[bottom][bottom];
                // Row bottom keeps a moved row once the block is longer than the move.
                if (rows > 0 && bottom - span >= top)
                    after += cost[bottom - span][bottom];
                if (rows < 0 && bottom - span >= top)
                    after += cost[bottom][bottom - span];
                if (bottom - top + 1 <= span)
                    continue;
                if (before - after > bestSaving) {
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
