#pragma once

// Key values, as the decoders give them and the logic reads them: the
// character code for character keys, 255 + 256 x extended code for others.

#include <cstdint>

using KeyCode = std::uint16_t;

constexpr KeyCode extendedKey(std::uint8_t code) {
    return static_cast<KeyCode>(255 + 256 * code);
}

inline constexpr KeyCode KEY_ENTER = 13;
inline constexpr KeyCode KEY_ESCAPE = 27;
inline constexpr KeyCode KEY_UP = extendedKey(0x48);
inline constexpr KeyCode KEY_DOWN = extendedKey(0x50);
