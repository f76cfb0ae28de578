// The Windows console key decoder on arbitrary key events, fed in order to one
// keyboard. Every decoded value must be the one the extended key tables give,
// whatever the key's side, lock lights, repeat count or press; Esc, Enter, Up
// and Down must come only from events that produce them; and the events must
// build and end Alt numbers as a plain model of the handling rules does.
//
// The input: events until it ends, each a flags byte and then its fields.
//   bit 0     pressed, else released
//   bits 1-2  repeat count: 1, 0, one byte, two bytes
//   bit 3     scan code, virtual key and unshifted character two bytes each, else one
//   bit 4     the modifier state four bytes, else one byte plus bit 5
//   bit 5     the enhanced flag, with a one-byte state
//   bits 6-7  unshifted character: read, the reported character, 0, or the
//             reported character in the other letter case
// The fields: scan code, virtual key, character, state, unshifted, repeat count.

#include <cstdint>
#include <optional>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "services/host/console_keys.h"
#include "services/host/extended_keys.h"
#include "services/host/key_code.h"

namespace {

using MaybeKey = std::optional<KeyCode>;

constexpr std::uint32_t ALT_BITS = CONSOLE_LEFT_ALT_PRESSED | CONSOLE_RIGHT_ALT_PRESSED;
constexpr std::uint32_t CTRL_BITS = CONSOLE_LEFT_CTRL_PRESSED | CONSOLE_RIGHT_CTRL_PRESSED;
// Num Lock, Scroll Lock and Caps Lock lights.
constexpr std::uint32_t LOCK_BITS = 0x0020 | 0x0040 | 0x0080;
constexpr std::uint32_t NAMED_BITS =
    ALT_BITS | CTRL_BITS | CONSOLE_SHIFT_PRESSED | LOCK_BITS | CONSOLE_ENHANCED_KEY;

KeyColumn columnOf(std::uint32_t state) {
    if ((state & ALT_BITS) != 0)
        return COLUMN_ALT;
    if ((state & CTRL_BITS) != 0)
        return COLUMN_CTRL;
    if ((state & CONSOLE_SHIFT_PRESSED) != 0)
        return COLUMN_SHIFT;
    return COLUMN_PLAIN;
}

bool enhanced(const ConsoleKeyEvent& e) {
    return (e.controlKeyState & CONSOLE_ENHANCED_KEY) != 0;
}

bool altAlone(std::uint32_t state) {
    return (state & ALT_BITS) != 0 && (state & (CTRL_BITS | CONSOLE_SHIFT_PRESSED)) == 0;
}

std::uint16_t otherCase(std::uint16_t c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<std::uint16_t>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z')
        return static_cast<std::uint16_t>(c - 'A' + 'a');
    return c;
}

MaybeKey characterOf(const ConsoleKeyEvent& e) {
    return e.character == 0 ? MaybeKey() : MaybeKey(e.character);
}

// The value of a pressed key, worked out from the extended key tables.
MaybeKey expectedValue(const ConsoleKeyEvent& e) {
    KeyColumn column = columnOf(e.controlKeyState);
    if (enhanced(e) && e.character == 0) {
        for (const GreyKey& key : GREY_KEYS)
            if (key.scan == e.virtualScanCode)
                return key.values[column];
        return std::nullopt;
    }
    if (e.virtualScanCode > LAST_TABLE_SCAN)
        return characterOf(e);
    // With no modifier and a character the entry is the unshifted character,
    // which never decides the value.
    std::uint8_t code =
        column == COLUMN_PLAIN && e.character != 0 ? 0 : SCAN_CODES[e.virtualScanCode][column];
    if (code != 0 && (e.character == e.unshifted || e.character == otherCase(e.unshifted)))
        return extendedKey(code);
    return characterOf(e);
}

// Up (0x48) or Down (0x50): the grey arrow reporting no character, alone or
// with Shift, or the keypad key with Num Lock off (no character, none of its
// own) with no modifier.
bool givesArrow(const ConsoleKeyEvent& e, std::uint16_t scan) {
    if (e.virtualScanCode != scan || e.character != 0)
        return false;
    KeyColumn column = columnOf(e.controlKeyState);
    if (enhanced(e))
        return column == COLUMN_PLAIN || column == COLUMN_SHIFT;
    return column == COLUMN_PLAIN && e.unshifted == 0;
}

bool greyEnterGivesEnter(const ConsoleKeyEvent& e) {
    KeyColumn column = columnOf(e.controlKeyState);
    return enhanced(e) && e.character == 0 && e.virtualScanCode == SCAN_ENTER &&
           (column == COLUMN_PLAIN || column == COLUMN_SHIFT);
}

bool implies(bool premise, bool conclusion) {
    return !premise || conclusion;
}

bool isExtended(KeyCode value) {
    return (value & 0xFF) == 0xFF && (value >> 8) != 0;
}

void checkNamedKeys(const ConsoleKeyEvent& e, MaybeKey value) {
    KeyColumn column = columnOf(e.controlKeyState);
    check(implies(value == KEY_ESCAPE, e.character == KEY_ESCAPE), "Esc only from a reported 27");
    check(implies(value == KEY_ENTER, e.character == KEY_ENTER || greyEnterGivesEnter(e)),
          "Enter only from a reported 13 or grey Enter");
    check(implies(greyEnterGivesEnter(e), value == KEY_ENTER),
          "grey Enter without a character, alone or with Shift, gives 13");
    check((value == KEY_UP) == givesArrow(e, SCAN_UP), "Up exactly from the Up keys");
    check((value == KEY_DOWN) == givesArrow(e, SCAN_DOWN), "Down exactly from the Down keys");
    if (e.character != 0 && (column == COLUMN_PLAIN || e.virtualScanCode > LAST_TABLE_SCAN))
        check(value == e.character,
              "a character without a modifier or past the table is the value");
    if (e.character != 0 && e.character != e.unshifted && e.character != otherCase(e.unshifted))
        check(value == e.character, "a character the layout made of the combination wins");
    if (!enhanced(e) && e.character == 0 && e.unshifted != 0)
        check(!value, "a key with a character of its own reporting none gives nothing");
    if (value && !isExtended(*value)) {
        bool greyCharacter = enhanced(e) && e.character == 0 &&
                             (e.virtualScanCode == SCAN_ENTER || e.virtualScanCode == SCAN_SLASH);
        check(*value == e.character || greyCharacter,
              "a value below 256 is the reported character");
    }
}

// The same key as far as decoding goes.
std::vector<ConsoleKeyEvent> lookAlikes(const ConsoleKeyEvent& e) {
    std::vector<ConsoleKeyEvent> alike;
    auto add = [&](auto change) {
        ConsoleKeyEvent copy = e;
        change(copy);
        alike.push_back(copy);
    };
    add([](ConsoleKeyEvent& c) { c.keyDown = !c.keyDown; });
    add([](ConsoleKeyEvent& c) { c.repeatCount = static_cast<std::uint16_t>(~c.repeatCount); });
    add([](ConsoleKeyEvent& c) { c.repeatCount = 0; });
    add([](ConsoleKeyEvent& c) { c.virtualKeyCode ^= 0x5AA5; });
    add([](ConsoleKeyEvent& c) { c.controlKeyState ^= LOCK_BITS; });
    add([](ConsoleKeyEvent& c) { c.controlKeyState ^= ~NAMED_BITS; });
    // Either Alt, either Ctrl, or both.
    for (std::uint32_t alt : {CONSOLE_LEFT_ALT_PRESSED, CONSOLE_RIGHT_ALT_PRESSED, ALT_BITS})
        if ((e.controlKeyState & ALT_BITS) != 0)
            add([alt](ConsoleKeyEvent& c) {
                c.controlKeyState = (c.controlKeyState & ~ALT_BITS) | alt;
            });
    for (std::uint32_t ctrl : {CONSOLE_LEFT_CTRL_PRESSED, CONSOLE_RIGHT_CTRL_PRESSED, CTRL_BITS})
        if ((e.controlKeyState & CTRL_BITS) != 0)
            add([ctrl](ConsoleKeyEvent& c) {
                c.controlKeyState = (c.controlKeyState & ~CTRL_BITS) | ctrl;
            });
    return alike;
}

MaybeKey checkDecoding(const ConsoleKeyEvent& e) {
    MaybeKey value = decodeConsoleKey(e);
    check(decodeConsoleKey(e) == value, "decoding is deterministic");
    checkNamedKeys(e, value);
    check(value == expectedValue(e), "the value is the one the key tables give");
    for (const ConsoleKeyEvent& alike : lookAlikes(e))
        check(decodeConsoleKey(alike) == value,
              "press, repeat count, virtual key, side and lock lights do not change the value");
    return value;
}

// The Alt number as the events build it, and the values one event should give.
struct AltModel {
    unsigned number = 0;
};

std::vector<KeyCode> expectedKeys(AltModel& model, const ConsoleKeyEvent& e) {
    bool alone = altAlone(e.controlKeyState);
    std::vector<KeyCode> keys;
    auto endNumber = [&] {
        if (!alone && model.number != 0) {
            keys.push_back(static_cast<KeyCode>(model.number % 256));
            model.number = 0;
        }
    };
    if (!e.keyDown) {
        endNumber();
        return keys;
    }
    if (e.repeatCount == 0)
        return keys;
    MaybeKey value = expectedValue(e);
    if (alone && e.virtualKeyCode >= 0x60 && e.virtualKeyCode <= 0x69) {
        model.number = model.number * 10u + (e.virtualKeyCode - 0x60u);
        if (value)
            keys.push_back(*value);
    } else if (value) {
        model.number = 0;
        keys.push_back(*value);
    } else {
        endNumber();
    }
    return keys;
}

void checkHandling(ConsoleKeyState& keyboard, AltModel& model, const ConsoleKeyEvent& e,
                   MaybeKey decoded) {
    ConsoleKeyState before = keyboard;
    unsigned pending = model.number;
    std::vector<KeyCode> keys;
    handleConsoleKeyEvent(keyboard, e, keys);
    std::vector<KeyCode> expected = expectedKeys(model, e);

    check(keys.size() <= 1, "one event gives at most one value");
    bool decodes = e.keyDown && e.repeatCount != 0;
    bool mayEnd = !altAlone(e.controlKeyState) && pending != 0;
    auto fromNumber = [&](KeyCode v) { return mayEnd && v == pending % 256; };
    for (KeyCode v : keys) {
        check(implies(!e.keyDown, fromNumber(v)),
              "a release gives nothing but an ended Alt number");
        check(v == decoded || fromNumber(v),
              "each value is the decoded key or an ended Alt number");
        if (v == KEY_ESCAPE)
            check((decodes && e.character == KEY_ESCAPE) || fromNumber(v),
                  "Esc only from a reported 27 or an Alt number of 27 modulo 256");
        if (v == KEY_ENTER)
            check((decodes && (e.character == KEY_ENTER || greyEnterGivesEnter(e))) ||
                      fromNumber(v),
                  "Enter only from a reported 13, grey Enter or an Alt number of 13 modulo 256");
        if (v == KEY_UP)
            check(decodes && givesArrow(e, SCAN_UP), "Up only from a pressed Up key");
        if (v == KEY_DOWN)
            check(decodes && givesArrow(e, SCAN_DOWN), "Down only from a pressed Down key");
    }
    bool ignored = (e.keyDown && e.repeatCount == 0) || (!e.keyDown && !mayEnd);
    check(implies(ignored, keys.empty() && keyboard.altNumber == before.altNumber),
          "a repeat count of 0, or a release that ends no Alt number, changes nothing");
    check(keys == expected, "the values are the decoded key and the ended Alt number");
    check(keyboard.altNumber == model.number, "the Alt number is built as typed");
}

std::uint16_t next16(ByteReader& reader) {
    std::uint16_t low = nextByte(reader);
    return static_cast<std::uint16_t>(low | nextByte(reader) << 8);
}

ConsoleKeyEvent nextEvent(ByteReader& reader) {
    std::uint8_t flags = nextByte(reader);
    bool wide = (flags & 0x08) != 0;
    auto field = [&]() -> std::uint16_t { return wide ? next16(reader) : nextByte(reader); };
    ConsoleKeyEvent e;
    e.keyDown = (flags & 0x01) != 0;
    e.virtualScanCode = field();
    e.virtualKeyCode = field();
    e.character = nextByte(reader);
    if ((flags & 0x10) != 0)
        e.controlKeyState = static_cast<std::uint32_t>(nextInt32(reader));
    else
        e.controlKeyState = nextByte(reader) | ((flags & 0x20) != 0 ? CONSOLE_ENHANCED_KEY : 0);
    switch ((flags >> 6) & 3) {
    case 0:
        e.unshifted = field();
        break;
    case 1:
        e.unshifted = e.character;
        break;
    case 2:
        e.unshifted = 0;
        break;
    default:
        e.unshifted = otherCase(e.character);
    }
    switch ((flags >> 1) & 3) {
    case 0:
        e.repeatCount = 1;
        break;
    case 1:
        e.repeatCount = 0;
        break;
    case 2:
        e.repeatCount = nextByte(reader);
        break;
    default:
        e.repeatCount = next16(reader);
    }
    return e;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader reader{data, size};
    ConsoleKeyState keyboard;
    AltModel model;
    while (!atEnd(reader)) {
        ConsoleKeyEvent e = nextEvent(reader);
        MaybeKey decoded = checkDecoding(e);
        checkHandling(keyboard, model, e, decoded);
    }
    return 0;
}
