#pragma once

#include "app/program_state.h"

// Gives every field its start value.
void startProgramState(ProgramState& state);
// Runs the program from start-up to its end; returns the exit code.
int runProgram();
