#pragma once

// Test doubles for the host layer: a screen surface over a ScreenModel, and a
// keyboard with a scripted clock.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "services/host/model_surface.h"
#include "services/keyboard.h"
#include "tests/support/screen_text.h"

// The screen itself is the model surface's (surfaceModel()).
struct FakeSurface {
    bool isConsole = true;
    // Names shown as UTF-8, or one byte to a cell as in the C locale.
    bool utf8 = true;
    // False while a terminal too small for the screen shows a notice instead.
    bool shown = true;
    std::string passedThrough;
    int beeps = 0;
    int presents = 0;
    // The fake clock's time at each present.
    std::vector<std::int64_t> presentTimes;
};

FakeSurface& fakeSurface();
// A fresh surface of width x height, and the console services started on it.
void resetFakeSurface(int width = 80, int height = 25);

// Keys arrive at the scripted times of a clock that moves only when the
// program waits or sleeps.
void resetFakeKeyboard();
void scheduleKey(std::int64_t atMs, KeyCode key);
void endFakeInputAt(std::int64_t atMs);
std::int64_t fakeNowMs();
// The local time the fake clock reads; 25 December 2024, 21:05:07 after a reset.
void setFakeLocalTime(const std::tm& time);

struct ProgramState;
// The state of a program just started over the fakes: a fresh surface and
// keyboard, no open files, the start values, and the bitmap's file number.
void startFakeProgram(ProgramState& state);
