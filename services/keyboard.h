#pragma once

// Keys, one at a time, and timed waits that a key cuts short without
// consuming it.

#include <array>
#include <cstddef>
#include <cstdint>

#include "services/host/key_code.h"

inline constexpr std::size_t KEY_QUEUE_SLOTS = 512;
inline constexpr int KEY_POLL_MS = 50;
// The longest a key wait sleeps between checks: the host wakes it at once for
// input, so checking more often would only cost processor time.
inline constexpr int KEY_IDLE_WAIT_MS = 1000;

struct KeyboardState {
    std::array<KeyCode, KEY_QUEUE_SLOTS> keyQueue{};
    std::size_t readIndex = 0;
    std::size_t writeIndex = 0;
    bool keyArrived = false;
};

// Gives the keyboard its start values: no key waits.
void startKeyboard();
KeyCode readKey();
void sleepMs(int milliseconds);
