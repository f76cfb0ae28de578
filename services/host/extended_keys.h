#pragma once

// The PC keyboard's extended codes, for both key decoders: per scan code of a
// US keyboard and per grey key of the enhanced keyboard, in the columns none,
// Shift, Ctrl and Alt; and the US scan code of each ASCII character key, so
// that a character finds its key in the same table.

#include <array>
#include <cstddef>
#include <cstdint>

#include "services/host/key_code.h"

// The first modifier held, tested Alt, Ctrl, Shift, picks the column.
enum KeyColumn : std::size_t { COLUMN_PLAIN, COLUMN_SHIFT, COLUMN_CTRL, COLUMN_ALT, COLUMN_COUNT };

// Scan codes of a US keyboard. The keypad's keys are the cursor keys with Num
// Lock off and share their scan codes with the grey cursor block.
inline constexpr std::uint8_t SCAN_ESC = 0x01;
inline constexpr std::uint8_t SCAN_DIGIT_1 = 0x02;
inline constexpr std::uint8_t SCAN_DIGIT_2 = 0x03;
inline constexpr std::uint8_t SCAN_BACKSPACE = 0x0E;
inline constexpr std::uint8_t SCAN_TAB = 0x0F;
inline constexpr std::uint8_t SCAN_Q = 0x10;
inline constexpr std::uint8_t SCAN_ENTER = 0x1C;
inline constexpr std::uint8_t SCAN_A = 0x1E;
inline constexpr std::uint8_t SCAN_BACKQUOTE = 0x29;
inline constexpr std::uint8_t SCAN_BACKSLASH = 0x2B;
inline constexpr std::uint8_t SCAN_Z = 0x2C;
inline constexpr std::uint8_t SCAN_SLASH = 0x35;
inline constexpr std::uint8_t SCAN_SPACE = 0x39;
inline constexpr std::uint8_t SCAN_F1 = 0x3B;
inline constexpr std::uint8_t SCAN_HOME = 0x47;      // keypad 7
inline constexpr std::uint8_t SCAN_UP = 0x48;        // keypad 8
inline constexpr std::uint8_t SCAN_PAGE_UP = 0x49;   // keypad 9
inline constexpr std::uint8_t SCAN_LEFT = 0x4B;      // keypad 4
inline constexpr std::uint8_t SCAN_KEYPAD_5 = 0x4C;  // no cursor key
inline constexpr std::uint8_t SCAN_RIGHT = 0x4D;     // keypad 6
inline constexpr std::uint8_t SCAN_END = 0x4F;       // keypad 1
inline constexpr std::uint8_t SCAN_DOWN = 0x50;      // keypad 2
inline constexpr std::uint8_t SCAN_PAGE_DOWN = 0x51; // keypad 3
inline constexpr std::uint8_t SCAN_INSERT = 0x52;    // keypad 0
inline constexpr std::uint8_t SCAN_DELETE = 0x53;    // keypad "."
inline constexpr std::uint8_t SCAN_F11 = 0x57;
inline constexpr std::uint8_t SCAN_F12 = 0x58;
// Scan codes past this one have no codes.
inline constexpr std::uint8_t LAST_TABLE_SCAN = SCAN_F12;

// The scan code of function key Fn, or 0 when n is not 1 to 12.
constexpr std::uint8_t functionKeyScan(int n) {
    if (n < 1 || n > 12)
        return 0;
    return static_cast<std::uint8_t>(n <= 10 ? SCAN_F1 + (n - 1) : SCAN_F11 + (n - 11));
}

// Extended codes in the four columns; 0 = no code.
using ExtendedCodes = std::array<std::uint8_t, COLUMN_COUNT>;

// The codes of the keys that are not grey, by scan code.
inline constexpr std::array<ExtendedCodes, LAST_TABLE_SCAN + 1> SCAN_CODES = [] {
    std::array<ExtendedCodes, LAST_TABLE_SCAN + 1> t{};
    // Esc, Q to Enter, A to "`" and Z to "/": Alt gives the scan code as the code.
    auto altIsScan = [&t](std::uint8_t first, std::uint8_t last) {
        for (std::uint8_t scan = first; scan <= last; ++scan)
            t[scan][COLUMN_ALT] = scan;
    };
    altIsScan(SCAN_ESC, SCAN_ESC);
    altIsScan(SCAN_Q, SCAN_ENTER);
    altIsScan(SCAN_A, SCAN_BACKQUOTE);
    altIsScan(SCAN_Z, SCAN_SLASH);
    // Digits 1 to 0, "-", "=" and Backspace.
    constexpr std::uint8_t altTopRow[] = {0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x82,
                                          0x83, 0x80, 0x81, 0x82, 0x83, 0xE0};
    for (std::size_t i = 0; i < std::size(altTopRow); ++i)
        t[SCAN_DIGIT_1 + i][COLUMN_ALT] = altTopRow[i];
    t[SCAN_DIGIT_2][COLUMN_CTRL] = 0x03;
    t[SCAN_TAB] = {0, 0x0F, 0x94, 0x0F};
    for (std::uint8_t i = 0; i < 10; ++i)
        t[SCAN_F1 + i] = {std::uint8_t(0x3B + i), std::uint8_t(0x54 + i), std::uint8_t(0x5E + i),
                          std::uint8_t(0x68 + i)};
    t[SCAN_F11] = {0x85, 0x87, 0x89, 0x8B};
    t[SCAN_F12] = {0x86, 0x88, 0x8A, 0x8C};
    // The keypad with Num Lock off, where it reports no character.
    t[SCAN_HOME] = {0x47, 0, 0x77, 0};
    t[SCAN_UP] = {0x48, 0, 0x8D, 0};
    t[SCAN_PAGE_UP] = {0x49, 0, 0x84, 0};
    t[SCAN_LEFT] = {0x4B, 0, 0x73, 0};
    t[SCAN_KEYPAD_5] = {0x4C, 0, 0x8F, 0x4C};
    t[SCAN_RIGHT] = {0x4D, 0, 0x74, 0};
    t[SCAN_END] = {0x4F, 0, 0x75, 0};
    t[SCAN_DOWN] = {0x50, 0, 0x91, 0};
    t[SCAN_PAGE_DOWN] = {0x51, 0, 0x76, 0};
    t[SCAN_INSERT] = {0x52, 0, 0x92, 0};
    t[SCAN_DELETE] = {0x53, 0, 0x93, 0};
    return t;
}();

// Grey keys of the enhanced keyboard as they give no character: the cursor
// block, and grey Enter and grey "/", which keep their characters without a
// modifier and with Shift.
struct GreyKey {
    std::uint8_t scan;
    std::array<KeyCode, COLUMN_COUNT> values;
};

inline constexpr std::array<GreyKey, 12> GREY_KEYS = {{
    {SCAN_HOME, {extendedKey(0x47), extendedKey(0x47), extendedKey(0x77), extendedKey(0x97)}},
    {SCAN_UP, {extendedKey(0x48), extendedKey(0x48), extendedKey(0x8D), extendedKey(0x98)}},
    {SCAN_PAGE_UP, {extendedKey(0x49), extendedKey(0x49), extendedKey(0x84), extendedKey(0x99)}},
    {SCAN_LEFT, {extendedKey(0x4B), extendedKey(0x4B), extendedKey(0x73), extendedKey(0x9B)}},
    {SCAN_RIGHT, {extendedKey(0x4D), extendedKey(0x4D), extendedKey(0x74), extendedKey(0x9D)}},
    {SCAN_END, {extendedKey(0x4F), extendedKey(0x4F), extendedKey(0x75), extendedKey(0x9F)}},
    {SCAN_DOWN, {extendedKey(0x50), extendedKey(0x50), extendedKey(0x91), extendedKey(0xA0)}},
    {SCAN_PAGE_DOWN, {extendedKey(0x51), extendedKey(0x51), extendedKey(0x76), extendedKey(0xA1)}},
    {SCAN_INSERT, {extendedKey(0x52), extendedKey(0x52), extendedKey(0x92), extendedKey(0xA2)}},
    {SCAN_DELETE, {extendedKey(0x53), extendedKey(0x53), extendedKey(0x93), extendedKey(0xA3)}},
    {SCAN_ENTER, {KEY_ENTER, KEY_ENTER, '\n', extendedKey(0xA6)}},
    {SCAN_SLASH, {'/', '?', extendedKey(0x95), extendedKey(0xA4)}},
}};

// The US scan code of each ASCII character key by its character, letters in
// either case, Backspace as 8 and as 127; 0 = none.
inline constexpr std::array<std::uint8_t, 128> US_SCAN_CODES = [] {
    std::array<std::uint8_t, 128> t{};
    auto row = [&t](const char* chars, std::uint8_t first) {
        for (; *chars != '\0'; ++chars, ++first) {
            t[static_cast<unsigned char>(*chars)] = first;
            if (*chars >= 'a' && *chars <= 'z')
                t[static_cast<unsigned char>(*chars - 'a' + 'A')] = first;
        }
    };
    row("1234567890-=", SCAN_DIGIT_1);
    row("qwertyuiop[]", SCAN_Q);
    row("asdfghjkl;'`", SCAN_A);
    row("\\zxcvbnm,./", SCAN_BACKSLASH);
    row(" ", SCAN_SPACE);
    t[27] = SCAN_ESC;
    t['\b'] = SCAN_BACKSPACE;
    t[127] = SCAN_BACKSPACE;
    t['\t'] = SCAN_TAB;
    t['\r'] = SCAN_ENTER;
    return t;
}();

// The value the table gives the key with scan code scan in column; 0 when none.
constexpr KeyCode scanKeyValue(std::uint16_t scan, KeyColumn column) {
    std::uint8_t code = scan <= LAST_TABLE_SCAN ? SCAN_CODES[scan][column] : 0;
    return code == 0 ? 0 : extendedKey(code);
}

// The value of the grey key with scan code scan in column; 0 when none.
constexpr KeyCode greyKeyValue(std::uint16_t scan, KeyColumn column) {
    for (const GreyKey& key : GREY_KEYS)
        if (key.scan == scan)
            return key.values[column];
    return 0;
}
