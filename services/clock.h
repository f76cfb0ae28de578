#pragma once

// The date and time of the local clock, in the forms the data file's block
// labels are made of.

#include "services/textforms.h"

// "MM-DD-YYYY" and "HH:MM:SS", each read from the clock afresh.
Text dateText();
Text timeText();
