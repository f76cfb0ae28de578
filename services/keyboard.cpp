#include "services/keyboard.h"

#include <algorithm>
#include <vector>

#include "services/console.h"
#include "services/host/host.h"

namespace {

KeyboardState keyboard;

// Lowers keyArrived and tells whether it was raised.
bool takeArrival() {
    bool arrived = keyboard.keyArrived;
    keyboard.keyArrived = false;
    return arrived;
}

// Puts a key into the queue; a full queue loses its oldest key.
void enqueueKey(KeyboardState& state, KeyCode key) {
    state.keyQueue[state.writeIndex] = key;
    state.writeIndex = (state.writeIndex + 1) % KEY_QUEUE_SLOTS;
    if (state.writeIndex == state.readIndex)
        state.readIndex = (state.readIndex + 1) % KEY_QUEUE_SLOTS;
    state.keyArrived = true;
}

bool takeKey(KeyboardState& state, KeyCode& key) {
    if (state.readIndex == state.writeIndex)
        return false;
    key = state.keyQueue[state.readIndex];
    state.readIndex = (state.readIndex + 1) % KEY_QUEUE_SLOTS;
    return true;
}

// Moves every key already waiting into the queue. Keys typed while the user
// cannot see the screen would act on what they do not see: only Esc, which
// ends the program, is taken then.
void pumpKeys() {
    std::vector<KeyCode> keys;
    hostPumpInput(keys);
    const bool seen = surfaceShowsScreen();
    for (KeyCode key : keys) {
        if (seen || key == KEY_ESCAPE)
            enqueueKey(keyboard, key);
    }
}

} // namespace

void startKeyboard() {
    keyboard = KeyboardState{};
}

KeyCode readKey() {
    flushScreen();
    KeyCode key = 0;
    for (;;) {
        pumpKeys();
        if (takeKey(keyboard, key))
            break;
        // End of input reads as Esc, so that a script of keys ends the program.
        if (hostInputEnded())
            return KEY_ESCAPE;
        while (!takeArrival()) {
            hostWaitForInput(KEY_IDLE_WAIT_MS);
            pumpKeys();
            if (hostInputEnded())
                break;
        }
    }
    pumpKeys();
    keyboard.keyArrived = false;
    return key;
}

void sleepMs(int milliseconds) {
    flushScreen();
    if (milliseconds < 100) {
        if (milliseconds > 0)
            hostSleepMs(milliseconds);
        return;
    }
    std::int64_t end = hostMonotonicMs() + milliseconds;
    for (;;) {
        std::int64_t remaining = end - hostMonotonicMs();
        if (remaining <= KEY_POLL_MS)
            break;
        pumpKeys();
        if (takeArrival())
            return;
        // A key ends the step at once; the next check sees it.
        hostWaitForInput(
            static_cast<int>(std::min<std::int64_t>(KEY_POLL_MS, remaining - KEY_POLL_MS)));
    }
    std::int64_t rest = end - hostMonotonicMs();
    if (rest > 0)
        hostSleepMs(static_cast<int>(rest));
}
