#pragma once

// The date and time of the local clock, in the forms the data file's block
// labels are made of.

#include "services/textforms.h"

// "MM-DD-YYYY" and "HH:MM:SS", each read from the clock afresh, or of the
// moment the clock is held at.
Text dateText();
Text timeText();
// Holds the clock at a moment: dateText and timeText tell it from now on.
void holdClockAt(const std::tm& moment);
