#pragma once

// A US keyboard as the Windows console reports its keys, for the tests of the
// key decoders: scan codes written out here, not taken from the decoders'
// table, so that a wrong entry there shows.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "services/host/console_keys.h"

// Modifier states as the console reports them while the keys are held.
inline constexpr std::uint32_t NONE = 0;
inline constexpr std::uint32_t SHIFT = CONSOLE_SHIFT_PRESSED;
inline constexpr std::uint32_t LCTRL = CONSOLE_LEFT_CTRL_PRESSED;
inline constexpr std::uint32_t RCTRL = CONSOLE_RIGHT_CTRL_PRESSED;
inline constexpr std::uint32_t LALT = CONSOLE_LEFT_ALT_PRESSED;
inline constexpr std::uint32_t RALT = CONSOLE_RIGHT_ALT_PRESSED;
inline constexpr std::uint32_t ALTGR = RALT | LCTRL;

// A key as the console describes it: scan code, virtual key, the character
// MapVirtualKeyA gives for it with map type 2, and the enhanced flag.
struct PhysicalKey {
    std::uint16_t scan;
    std::uint16_t virtualKey;
    std::uint16_t unshifted;
    bool enhanced = false;
};

// The keys that type an ASCII character, by row from their first scan code.
struct KeyRow {
    const char* chars;
    std::uint16_t firstScan;
};
inline constexpr KeyRow US_ROWS[] = {
    {"\x1b", 0x01},         {"1234567890-=\b", 0x02}, {"\tqwertyuiop[]\r", 0x0F},
    {"asdfghjkl;'`", 0x1E}, {"\\zxcvbnm,./", 0x2B},   {" ", 0x39},
};

// The scan code of the key that types c, letters in either case and 127 as
// Backspace; 0 when no key does.
inline std::uint16_t usScan(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        c = static_cast<unsigned char>(c - 'A' + 'a');
    if (c == 127)
        c = '\b';
    for (const KeyRow& row : US_ROWS)
        if (const char* at = std::strchr(row.chars, c); at != nullptr && c != 0)
            return static_cast<std::uint16_t>(row.firstScan + (at - row.chars));
    return 0;
}

// The US key whose unshifted character is c.
inline PhysicalKey usKey(char c) {
    const std::string oem = "-=[];'`\\,./";
    constexpr std::uint16_t oemKeys[] = {0xBD, 0xBB, 0xDB, 0xDD, 0xBA, 0xDE,
                                         0xC0, 0xDC, 0xBC, 0xBE, 0xBF};
    std::uint16_t scan = usScan(static_cast<unsigned char>(c));
    if (scan == 0)
        ADD_FAILURE() << "no US key for " << c;
    if (c >= 'a' && c <= 'z') {
        auto upper = static_cast<std::uint16_t>(c - 'a' + 'A');
        return {scan, upper, upper};
    }
    auto own = static_cast<std::uint16_t>(static_cast<unsigned char>(c));
    std::size_t at = oem.find(c);
    return {scan, at == std::string::npos ? own : oemKeys[at], own};
}

inline ConsoleKeyEvent press(PhysicalKey key, std::uint32_t modifiers = NONE,
                             unsigned character = 0, std::uint16_t repeatCount = 1) {
    ConsoleKeyEvent event;
    event.keyDown = true;
    event.repeatCount = repeatCount;
    event.virtualKeyCode = key.virtualKey;
    event.virtualScanCode = key.scan;
    event.character = static_cast<std::uint8_t>(character);
    event.controlKeyState = modifiers | (key.enhanced ? CONSOLE_ENHANCED_KEY : 0);
    event.unshifted = key.unshifted;
    return event;
}
