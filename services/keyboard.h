#pragma once

// Keys, one at a time, and timed waits that a key cuts short without
// consuming it.

#include <array>
#include <cstddef>
#include <cstdint>

// The character code for character keys, 255 + 256 x extended code for others.
using KeyCode = std::uint16_t;

constexpr KeyCode extendedKey(std::uint8_t code) {
    return static_cast<KeyCode>(255 + 256 * code);
}

inline constexpr KeyCode KEY_ENTER = 13;
inline constexpr KeyCode KEY_ESCAPE = 27;
inline constexpr KeyCode KEY_UP = extendedKey(0x48);
inline constexpr KeyCode KEY_DOWN = extendedKey(0x50);
inline constexpr KeyCode KEY_CLOSE = extendedKey(0x6B);

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
    unsigned altNumber = 0;
    bool closeHandlerInstalled = false;
};

// Puts a key into the queue; a full queue loses its oldest key.
void enqueueKey(KeyboardState& keyboard, KeyCode key);
bool takeKey(KeyboardState& keyboard, KeyCode& key);
std::size_t waitingKeys(const KeyboardState& keyboard);

void resetKeyboard();
void pumpKeys();
KeyCode readKey();
void sleepMs(int milliseconds);
