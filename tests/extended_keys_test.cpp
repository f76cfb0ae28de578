// Both key decoders against the one table of extended codes: each named key
// as the terminal sends it with each xterm modifier and as the console reports
// it with each modifier state, Alt with each character key, and on the console
// every scan code of a key without a character, enhanced or not.

#include "services/host/extended_keys.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "services/host/console_keys.h"
#include "services/host/terminal_keys.h"
#include "tests/support/us_keyboard.h"

namespace {

using Keys = std::vector<KeyCode>;

Keys decodeTerminal(const std::string& bytes) {
    TerminalKeyDecoder decoder;
    Keys keys;
    feedTerminalBytes(decoder, bytes.data(), bytes.size(), 0, keys);
    expireTerminalInput(decoder, 1000, keys);
    return keys;
}

Keys keysOf(KeyCode value) {
    return value == 0 ? Keys{} : Keys{value};
}

// What the table holds for a key: enhanced keys in the grey-key table, the
// others in the scan-code table; 0 = nothing.
KeyCode tableValue(const PhysicalKey& key, KeyColumn column) {
    if (key.enhanced) {
        for (const GreyKey& grey : GREY_KEYS)
            if (grey.scan == key.scan)
                return grey.values[column];
        return 0;
    }
    std::uint8_t code = key.scan <= LAST_TABLE_SCAN ? SCAN_CODES[key.scan][column] : 0;
    return code == 0 ? 0 : extendedKey(code);
}

// The column an xterm modifier parameter selects; Meta counts as Alt.
KeyColumn xtermColumn(unsigned parameter) {
    unsigned bits = parameter > 1 ? parameter - 1 : 0;
    return (bits & (2 | 8)) ? COLUMN_ALT
           : (bits & 4)     ? COLUMN_CTRL
           : (bits & 1)     ? COLUMN_SHIFT
                            : COLUMN_PLAIN;
}

// The modifier states that select each column.
struct ColumnState {
    KeyColumn column;
    std::uint32_t modifiers;
};
const std::vector<ColumnState> COLUMN_STATES = {
    {COLUMN_PLAIN, NONE},       {COLUMN_SHIFT, SHIFT},        {COLUMN_CTRL, LCTRL},
    {COLUMN_CTRL, RCTRL},       {COLUMN_CTRL, LCTRL | SHIFT}, {COLUMN_ALT, LALT},
    {COLUMN_ALT, RALT},         {COLUMN_ALT, LALT | SHIFT},   {COLUMN_ALT, LALT | RCTRL},
    {COLUMN_ALT, ALTGR | SHIFT}};

// A key by its CSI sequence without a modifier, and as the console describes
// it: scan code, virtual key, enhanced or not.
struct NamedKey {
    const char* name;
    std::string csi;
    std::uint16_t scan;
    std::uint16_t virtualKey;
    bool enhanced;
};

const NamedKey NAMED_KEYS[] = {
    {"home", "H", 0x47, 0x24, true},     {"up", "A", 0x48, 0x26, true},
    {"page up", "5~", 0x49, 0x21, true}, {"left", "D", 0x4B, 0x25, true},
    {"right", "C", 0x4D, 0x27, true},    {"end", "F", 0x4F, 0x23, true},
    {"down", "B", 0x50, 0x28, true},     {"page down", "6~", 0x51, 0x22, true},
    {"insert", "2~", 0x52, 0x2D, true},  {"delete", "3~", 0x53, 0x2E, true},
    {"f1", "P", 0x3B, 0x70, false},      {"f2", "Q", 0x3C, 0x71, false},
    {"f3", "R", 0x3D, 0x72, false},      {"f4", "S", 0x3E, 0x73, false},
    {"f5", "15~", 0x3F, 0x74, false},    {"f6", "17~", 0x40, 0x75, false},
    {"f7", "18~", 0x41, 0x76, false},    {"f8", "19~", 0x42, 0x77, false},
    {"f9", "20~", 0x43, 0x78, false},    {"f10", "21~", 0x44, 0x79, false},
    {"f11", "23~", 0x57, 0x7A, false},   {"f12", "24~", 0x58, 0x7B, false}};

// The key's sequence with xterm modifier parameter m, or without one for 0.
std::string sequence(const NamedKey& named, unsigned m) {
    std::string number = named.csi.substr(0, named.csi.size() - 1);
    if (m != 0)
        number = (number.empty() ? "1" : number) + ";" + std::to_string(m);
    return "\x1b[" + number + named.csi.back();
}

TEST(ExtendedKeys, NamedKeysGiveTheTableValueWithEveryModifier) {
    for (const NamedKey& named : NAMED_KEYS) {
        PhysicalKey key{named.scan, named.virtualKey, 0, named.enhanced};
        for (unsigned m = 0; m <= 16; ++m)
            EXPECT_EQ(decodeTerminal(sequence(named, m)), keysOf(tableValue(key, xtermColumn(m))))
                << named.name << " m=" << m;
        for (const ColumnState& state : COLUMN_STATES)
            EXPECT_EQ(decodeConsoleKey(press(key, state.modifiers)), tableValue(key, state.column))
                << named.name << " state " << state.modifiers;
    }
}

// The terminal sends Alt with a character as ESC and the character (ESC [ and
// ESC O begin sequences; ESC ESC is Alt+Esc, dropped); the console reports
// the key pressed with Alt and its own character. Keys without a code give
// nothing on the terminal, their character on the console.
TEST(ExtendedKeys, AltWithCharacterKeysGivesTheTableValue) {
    for (int c = 1; c < 256; ++c) {
        if (c == 27 || c == '[' || c == 'O')
            continue;
        PhysicalKey key{usScan(static_cast<unsigned char>(c)), 0, 0};
        EXPECT_EQ(decodeTerminal("\x1b" + std::string(1, static_cast<char>(c))),
                  keysOf(tableValue(key, COLUMN_ALT)))
            << "alt " << c;
    }
    for (const KeyRow& row : US_ROWS)
        for (const char* c = row.chars; *c != '\0'; ++c) {
            PhysicalKey key = usKey(*c);
            KeyCode alt = tableValue(key, COLUMN_ALT);
            for (std::uint32_t held : {LALT, RALT})
                EXPECT_EQ(decodeConsoleKey(press(key, held, static_cast<unsigned char>(*c))),
                          alt != 0 ? alt : KeyCode(static_cast<unsigned char>(*c)))
                    << "alt " << int(*c) << " state " << held;
        }
}

TEST(ExtendedKeys, ConsoleKeysWithoutACharacterGiveTheTableValue) {
    for (std::uint16_t scan = 0; scan <= LAST_TABLE_SCAN + 1; ++scan)
        for (bool enhanced : {false, true})
            for (const ColumnState& state : COLUMN_STATES) {
                PhysicalKey key{scan, 0xFF, 0, enhanced};
                KeyCode value = tableValue(key, state.column);
                EXPECT_EQ(decodeConsoleKey(press(key, state.modifiers)),
                          value == 0 ? std::nullopt : std::optional<KeyCode>(value))
                    << "scan " << scan << (enhanced ? " enhanced" : "") << " state "
                    << state.modifiers;
            }
}

} // namespace
