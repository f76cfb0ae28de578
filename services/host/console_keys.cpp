#include "services/host/console_keys.h"

#include <array>
#include <cstddef>

namespace {

constexpr std::uint32_t ALT_PRESSED = CONSOLE_LEFT_ALT_PRESSED | CONSOLE_RIGHT_ALT_PRESSED;
constexpr std::uint32_t CTRL_PRESSED = CONSOLE_LEFT_CTRL_PRESSED | CONSOLE_RIGHT_CTRL_PRESSED;

// Columns of the key tables. The first modifier held, tested Alt, Ctrl, Shift,
// picks the column.
enum Column : std::size_t { PLAIN, SHIFTED, CTRL, ALT, COLUMN_COUNT };

// Scan codes up to this one are in the key table; later ones give their character.
constexpr std::uint16_t LAST_TABLE_SCAN = 0x58;

constexpr std::uint16_t SCAN_ESC = 0x01;
constexpr std::uint16_t SCAN_DIGIT_1 = 0x02;
constexpr std::uint16_t SCAN_DIGIT_2 = 0x03;
constexpr std::uint16_t SCAN_TAB = 0x0F;
constexpr std::uint16_t SCAN_Q = 0x10;
constexpr std::uint16_t SCAN_ENTER = 0x1C;
constexpr std::uint16_t SCAN_A = 0x1E;
constexpr std::uint16_t SCAN_BACKQUOTE = 0x29;
constexpr std::uint16_t SCAN_Z = 0x2C;
constexpr std::uint16_t SCAN_SLASH = 0x35;
constexpr std::uint16_t SCAN_F1 = 0x3B;
constexpr std::uint16_t SCAN_KEYPAD_7 = 0x47;
constexpr std::uint16_t SCAN_KEYPAD_8 = 0x48;
constexpr std::uint16_t SCAN_KEYPAD_9 = 0x49;
constexpr std::uint16_t SCAN_KEYPAD_4 = 0x4B;
constexpr std::uint16_t SCAN_KEYPAD_5 = 0x4C;
constexpr std::uint16_t SCAN_KEYPAD_6 = 0x4D;
constexpr std::uint16_t SCAN_KEYPAD_1 = 0x4F;
constexpr std::uint16_t SCAN_KEYPAD_2 = 0x50;
constexpr std::uint16_t SCAN_KEYPAD_3 = 0x51;
constexpr std::uint16_t SCAN_KEYPAD_0 = 0x52;
constexpr std::uint16_t SCAN_KEYPAD_POINT = 0x53;
constexpr std::uint16_t SCAN_F11 = 0x57;
constexpr std::uint16_t SCAN_F12 = 0x58;

// Extended codes per scan code of a US keyboard, in the columns none, Shift,
// Ctrl, Alt; 0 = no code.
using Codes = std::array<std::uint8_t, COLUMN_COUNT>;
using KeyTable = std::array<Codes, LAST_TABLE_SCAN + 1>;

constexpr KeyTable KEY_TABLE = [] {
    KeyTable t{};
    // Esc, Q to Enter, A to "`" and Z to "/": Alt gives the scan code as the code.
    auto altIsScan = [&t](std::uint16_t first, std::uint16_t last) {
        for (std::uint16_t scan = first; scan <= last; ++scan)
            t[scan][ALT] = static_cast<std::uint8_t>(scan);
    };
    altIsScan(SCAN_ESC, SCAN_ESC);
    altIsScan(SCAN_Q, SCAN_ENTER);
    altIsScan(SCAN_A, SCAN_BACKQUOTE);
    altIsScan(SCAN_Z, SCAN_SLASH);
    // Digits 1 to 0, "-", "=" and Backspace.
    constexpr std::uint8_t altTopRow[] = {0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x82,
                                          0x83, 0x80, 0x81, 0x82, 0x83, 0xE0};
    for (std::size_t i = 0; i < std::size(altTopRow); ++i)
        t[SCAN_DIGIT_1 + i][ALT] = altTopRow[i];
    t[SCAN_DIGIT_2][CTRL] = 0x03;
    t[SCAN_TAB] = {0, 0x0F, 0x94, 0x0F};
    for (std::uint8_t i = 0; i < 10; ++i)
        t[SCAN_F1 + i] = {std::uint8_t(0x3B + i), std::uint8_t(0x54 + i), std::uint8_t(0x5E + i),
                          std::uint8_t(0x68 + i)};
    t[SCAN_F11] = {0x85, 0x87, 0x89, 0x8B};
    t[SCAN_F12] = {0x86, 0x88, 0x8A, 0x8C};
    // The keypad with Num Lock off, where it reports no character.
    t[SCAN_KEYPAD_7] = {0x47, 0, 0x77, 0};
    t[SCAN_KEYPAD_8] = {0x48, 0, 0x8D, 0};
    t[SCAN_KEYPAD_9] = {0x49, 0, 0x84, 0};
    t[SCAN_KEYPAD_4] = {0x4B, 0, 0x73, 0};
    t[SCAN_KEYPAD_5] = {0x4C, 0, 0x8F, 0x4C};
    t[SCAN_KEYPAD_6] = {0x4D, 0, 0x74, 0};
    t[SCAN_KEYPAD_1] = {0x4F, 0, 0x75, 0};
    t[SCAN_KEYPAD_2] = {0x50, 0, 0x91, 0};
    t[SCAN_KEYPAD_3] = {0x51, 0, 0x76, 0};
    t[SCAN_KEYPAD_0] = {0x52, 0, 0x92, 0};
    t[SCAN_KEYPAD_POINT] = {0x53, 0, 0x93, 0};
    return t;
}();

// Enhanced keys that report no character: the cursor and editing block, which
// shares scan codes with the keypad, and grey Enter and grey "/".
struct GreyKey {
    std::uint16_t scan;
    std::array<KeyCode, COLUMN_COUNT> values; // 0 = nothing
};

constexpr KeyCode ext(std::uint8_t code) {
    return extendedKey(code);
}

constexpr std::array<GreyKey, 12> GREY_KEYS = {{
    {SCAN_KEYPAD_7, {ext(0x47), ext(0x47), ext(0x77), ext(0x97)}},     // Home
    {SCAN_KEYPAD_8, {ext(0x48), ext(0x48), ext(0x8D), ext(0x98)}},     // Up
    {SCAN_KEYPAD_9, {ext(0x49), ext(0x49), ext(0x84), ext(0x99)}},     // Page Up
    {SCAN_KEYPAD_4, {ext(0x4B), ext(0x4B), ext(0x73), ext(0x9B)}},     // Left
    {SCAN_KEYPAD_6, {ext(0x4D), ext(0x4D), ext(0x74), ext(0x9D)}},     // Right
    {SCAN_KEYPAD_1, {ext(0x4F), ext(0x4F), ext(0x75), ext(0x9F)}},     // End
    {SCAN_KEYPAD_2, {ext(0x50), ext(0x50), ext(0x91), ext(0xA0)}},     // Down
    {SCAN_KEYPAD_3, {ext(0x51), ext(0x51), ext(0x76), ext(0xA1)}},     // Page Down
    {SCAN_KEYPAD_0, {ext(0x52), ext(0x52), ext(0x92), ext(0xA2)}},     // Insert
    {SCAN_KEYPAD_POINT, {ext(0x53), ext(0x53), ext(0x93), ext(0xA3)}}, // Delete
    {SCAN_ENTER, {KEY_ENTER, KEY_ENTER, '\n', ext(0xA6)}},
    {SCAN_SLASH, {'/', '?', ext(0x95), ext(0xA4)}},
}};

Column heldModifier(std::uint32_t state) {
    if ((state & ALT_PRESSED) != 0)
        return ALT;
    if ((state & CTRL_PRESSED) != 0)
        return CTRL;
    if ((state & CONSOLE_SHIFT_PRESSED) != 0)
        return SHIFTED;
    return PLAIN;
}

std::optional<KeyCode> keyOf(KeyCode value) {
    return value == 0 ? std::nullopt : std::optional<KeyCode>(value);
}

std::optional<KeyCode> greyKey(std::uint16_t scan, Column column) {
    for (const GreyKey& key : GREY_KEYS)
        if (key.scan == scan)
            return keyOf(key.values[column]);
    return std::nullopt;
}

constexpr std::uint16_t otherLetterCase(std::uint16_t c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<std::uint16_t>(c + ('a' - 'A'));
    if (c >= 'a' && c <= 'z')
        return static_cast<std::uint16_t>(c - ('a' - 'A'));
    return c;
}

// A code from the key table applies only while the key reports its own
// unshifted character (or none, for keys that have none); when the layout
// makes another character of the combination, as AltGr does, that wins.
std::optional<KeyCode> tableKey(const ConsoleKeyEvent& event, Column column) {
    // Without a modifier a key that reports a character always gives it.
    bool plainCharacter = column == PLAIN && event.character != 0;
    std::uint8_t code = plainCharacter ? 0 : KEY_TABLE[event.virtualScanCode][column];
    bool ownCharacter =
        event.character == event.unshifted || event.character == otherLetterCase(event.unshifted);
    if (code != 0 && ownCharacter)
        return extendedKey(code);
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
    Column column = heldModifier(event.controlKeyState);
    bool enhanced = (event.controlKeyState & CONSOLE_ENHANCED_KEY) != 0;
    if (enhanced && event.character == 0)
        return greyKey(event.virtualScanCode, column);
    if (event.virtualScanCode <= LAST_TABLE_SCAN)
        return tableKey(event, column);
    return keyOf(event.character);
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
