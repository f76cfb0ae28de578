#include "services/host/console_keys.h"

#include "services/host/extended_keys.h"

namespace {

constexpr std::uint32_t ALT_PRESSED = CONSOLE_LEFT_ALT_PRESSED | CONSOLE_RIGHT_ALT_PRESSED;
constexpr std::uint32_t CTRL_PRESSED = CONSOLE_LEFT_CTRL_PRESSED | CONSOLE_RIGHT_CTRL_PRESSED;

KeyColumn heldModifier(std::uint32_t state) {
    if ((state & ALT_PRESSED) != 0)
        return COLUMN_ALT;
    if ((state & CTRL_PRESSED) != 0)
        return COLUMN_CTRL;
    if ((state & CONSOLE_SHIFT_PRESSED) != 0)
        return COLUMN_SHIFT;
    return COLUMN_PLAIN;
}

std::optional<KeyCode> keyOf(KeyCode value) {
    return value == 0 ? std::nullopt : std::optional<KeyCode>(value);
}

constexpr std::uint16_t otherLetterCase(std::uint16_t c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<std::uint16_t>(c + ('a' - 'A'));
    if (c >= 'a' && c <= 'z')
        return static_cast<std::uint16_t>(c - ('a' - 'A'));
    return c;
}

// A code from the scan-code table applies only while the key reports its own
// unshifted character (or none, for keys that have none); when the layout
// makes another character of the combination, as AltGr does, that wins. Keys
// without a code give their character.
std::optional<KeyCode> tableKey(const ConsoleKeyEvent& event, KeyColumn column) {
    // Without a modifier a key that reports a character always gives it.
    bool plainCharacter = column == COLUMN_PLAIN && event.character != 0;
    KeyCode value = plainCharacter ? 0 : scanKeyValue(event.virtualScanCode, column);
    bool ownCharacter =
        event.character == event.unshifted || event.character == otherLetterCase(event.unshifted);
    if (value != 0 && ownCharacter)
        return value;
    return keyOf(event.character);
}

bool altHeldAlone(std::uint32_t state) {
    return (state & ALT_PRESSED) != 0 && (state & (CTRL_PRESSED | CONSOLE_SHIFT_PRESSED)) == 0;
}

bool isKeypadDigit(std::uint16_t virtualKey) {
    return virtualKey >= CONSOLE_VK_NUMPAD0 && virtualKey <= CONSOLE_VK_NUMPAD9;
}

void finishAltNumber(ConsoleKeyState& state, std::vector<KeyCode>& keys) {
    keys.push_back(static_cast<KeyCode>(state.altNumber % 256));
    state.altNumber = 0;
}

} // namespace

std::optional<KeyCode> decodeConsoleKey(const ConsoleKeyEvent& event) {
    KeyColumn column = heldModifier(event.controlKeyState);
    bool enhanced = (event.controlKeyState & CONSOLE_ENHANCED_KEY) != 0;
    if (enhanced && event.character == 0)
        return keyOf(greyKeyValue(event.virtualScanCode, column));
    return tableKey(event, column);
}

void handleConsoleKeyEvent(ConsoleKeyState& state, const ConsoleKeyEvent& event,
                           std::vector<KeyCode>& keys) {
    bool altAlone = altHeldAlone(event.controlKeyState);
    bool altNumberEnds = !altAlone && state.altNumber != 0;
    if (!event.keyDown) {
        // Chiefly the release of Alt itself.
        if (altNumberEnds)
            finishAltNumber(state, keys);
        return;
    }
    // Auto-repeat arrives as further events, so a count above 1 still gives one key.
    if (event.repeatCount == 0)
        return;
    std::optional<KeyCode> key = decodeConsoleKey(event);
    if (altAlone && isKeypadDigit(event.virtualKeyCode)) {
        // Overflow wraps modulo 2^32, which leaves the value modulo 256 exact.
        state.altNumber = state.altNumber * 10u +
                          static_cast<unsigned>(event.virtualKeyCode - CONSOLE_VK_NUMPAD0);
        if (key)
            keys.push_back(*key);
    } else if (key) {
        state.altNumber = 0;
        keys.push_back(*key);
    } else if (altNumberEnds) {
        finishAltNumber(state, keys);
    }
}
