#pragma once

// Why the last data file in the making could not be made or put in place, in
// the system's words: a file host notes it at the step that failed, and
// hostReplacementProblem tells it.

#include <string>

void noteReplacementProblem(std::string reason);
