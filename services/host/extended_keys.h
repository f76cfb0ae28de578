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

// The cursor keys, on the keypad and in the grey block alike: alone each
// gives its scan code as the code, and with Ctrl a code of its own. Only the
// grey ones give codes with Shift (the one they give alone) and with Alt
// (the scan code plus GREY_ALT_OFFSET).
struct CursorKey {
    std::uint8_t scan;
    std::uint8_t ctrl;
};
inline constexpr CursorKey CURSOR_KEYS[] = {
    {SCAN_HOME, 0x77},   {SCAN_UP, 0x8D},    {SCAN_PAGE_UP, 0x84}, {SCAN_LEFT, 0x73},
    {SCAN_RIGHT, 0x74},  {SCAN_END, 0x75},   {SCAN_DOWN, 0x91},    {SCAN_PAGE_DOWN, 0x76},
    {SCAN_INSERT, 0x92}, {SCAN_DELETE, 0x93}};
inline constexpr std::uint8_t GREY_ALT_OFFSET = 0x50;

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
    for (const CursorKey& key : CURSOR_KEYS)
        t[key.scan] = {key.scan, 0, key.ctrl, 0};
    t[SCAN_KEYPAD_5] = {0x4C, 0, 0x8F, 0x4C};
    return t;
}();

// Grey keys of the enhanced keyboard as they give no character: the cursor
// block, and grey Enter and grey "/", which keep their characters without a
// modifier and with Shift.
struct GreyKey {
    std::uint8_t scan;
    std::array<KeyCode, COLUMN_COUNT> values;
};

inline constexpr std::array<GreyKey, std::size(CURSOR_KEYS) + 2> GREY_KEYS = [] {
    std::array<GreyKey, std::size(CURSOR_KEYS) + 2> t{};
    std::size_t i = 0;
    for (const CursorKey& key : CURSOR_KEYS) {
        const KeyCode plain = extendedKey(key.scan);
        t[i++] = {key.scan,
                  {plain, plain, extendedKey(key.ctrl),
                   extendedKey(static_cast<std::uint8_t>(key.scan + GREY_ALT_OFFSET))}};
    }
    t[i++] = {SCAN_ENTER, {KEY_ENTER, KEY_ENTER, '\n', extendedKey(0xA6)}};
    t[i++] = {SCAN_SLASH, {'/', '?', extendedKey(0x95), extendedKey(0xA4)}};
    return t;
}();

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
