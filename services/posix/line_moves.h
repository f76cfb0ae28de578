#pragma once

// Finding the block of rows that moved between what the terminal shows and
// the model, so that the terminal can move it instead of being sent it again.

#include "services/host/screen_model.h"

// Rows top..bottom move by rows: up when positive (row r then shows what row
// r + rows showed), down when negative; rows of 0 means no move pays.
struct LineMove {
    int top = 0;
    int bottom = 0;
    int rows = 0;
};

// The move over the first height rows that saves the most bytes, if any.
LineMove bestLineMove(const ScreenModel& shown, const ScreenModel& model, int height);
// Makes shown what the terminal shows after the move; the rows the move
// brings in are left as they were and must be resent.
void applyLineMove(ScreenModel& shown, const LineMove& move);
