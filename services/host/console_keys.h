#pragma once

// Turns the key events of the Windows console into key values: the character
// the keyboard layout produced, the PC keyboard's extended code for keys that
// have one, and numbers typed on the keypad with Alt held. A pure function of
// the event, so it builds and is tested on every platform.

#include <cstdint>
#include <optional>
#include <vector>

#include "services/host/key_code.h"

// Bits of dwControlKeyState. They carry a prefix of their own because
// <windows.h> defines the plain names as macros.
inline constexpr std::uint32_t CONSOLE_RIGHT_ALT_PRESSED = 0x0001;
inline constexpr std::uint32_t CONSOLE_LEFT_ALT_PRESSED = 0x0002;
inline constexpr std::uint32_t CONSOLE_RIGHT_CTRL_PRESSED = 0x0004;
inline constexpr std::uint32_t CONSOLE_LEFT_CTRL_PRESSED = 0x0008;
inline constexpr std::uint32_t CONSOLE_SHIFT_PRESSED = 0x0010;
inline constexpr std::uint32_t CONSOLE_ENHANCED_KEY = 0x0100;

// Virtual keys of the keypad digits with Num Lock on.
inline constexpr std::uint16_t CONSOLE_VK_NUMPAD0 = 0x60;
inline constexpr std::uint16_t CONSOLE_VK_NUMPAD9 = 0x69;

// What the decoder needs of a KEY_EVENT_RECORD, plus the key's unshifted
// character, which only the system's keyboard layout knows.
struct ConsoleKeyEvent {
    bool keyDown = false;
    std::uint16_t repeatCount = 0;
    std::uint16_t virtualKeyCode = 0;
    std::uint16_t virtualScanCode = 0;
    std::uint8_t character = 0; // uChar.AsciiChar as a byte; 0 when the key gives none
    std::uint32_t controlKeyState = 0;
    std::uint16_t unshifted = 0; // low word of MapVirtualKeyA(virtualKeyCode, MAPVK_VK_TO_CHAR)
};

// The value of a pressed key, or none when it gives nothing (a modifier or lock
// key alone, a combination with neither a code nor a character). Looks at
// neither keyDown nor repeatCount.
std::optional<KeyCode> decodeConsoleKey(const ConsoleKeyEvent& event);

// What key events leave for the next: the decimal number being typed with
// Alt on the numeric keypad.
struct ConsoleKeyState {
    unsigned altNumber = 0;
};

// Handles one key event, pressed or released, appending the values it gives to
// keys; an Alt number is built up across events.
void handleConsoleKeyEvent(ConsoleKeyState& state, const ConsoleKeyEvent& event,
                           std::vector<KeyCode>& keys);
