#include "services/host/console_keys.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/us_keyboard.h"

namespace {

using Keys = std::vector<KeyCode>;
using Events = std::vector<ConsoleKeyEvent>;
using MaybeKey = std::optional<KeyCode>;

constexpr MaybeKey NOTHING = std::nullopt;

constexpr KeyCode ext(std::uint8_t code) {
    return extendedKey(code);
}

// NUMLOCK_ON, SCROLLLOCK_ON and CAPSLOCK_ON.
constexpr std::uint32_t LOCK_LIGHTS = 0x0020 | 0x0040 | 0x0080;

// Keys of a US keyboard.
const PhysicalKey ESC_KEY = usKey(27);
const PhysicalKey BACKSPACE = usKey('\b');
const PhysicalKey TAB = usKey('\t');
const PhysicalKey ENTER = usKey('\r');
constexpr PhysicalKey GREY_ENTER{0x1C, 0x0D, 13, true};
constexpr PhysicalKey GREY_SLASH{0x35, 0x6F, '/', true};
constexpr PhysicalKey GREY_UP{0x48, 0x26, 0, true};
constexpr PhysicalKey GREY_DOWN{0x50, 0x28, 0, true};
constexpr PhysicalKey KEYPAD_STAR{0x37, 0x6A, '*'};
constexpr PhysicalKey LEFT_SHIFT{0x2A, 0x10, 0};
constexpr PhysicalKey RIGHT_SHIFT{0x36, 0x10, 0};
constexpr PhysicalKey LEFT_CTRL{0x1D, 0x11, 0};
constexpr PhysicalKey RIGHT_CTRL{0x1D, 0x11, 0, true};
constexpr PhysicalKey LEFT_ALT{0x38, 0x12, 0};
constexpr PhysicalKey RIGHT_ALT{0x38, 0x12, 0, true};
constexpr PhysicalKey CAPS_LOCK{0x3A, 0x14, 0};
constexpr PhysicalKey NUM_LOCK{0x45, 0x90, 0, true};
constexpr PhysicalKey SCROLL_LOCK{0x46, 0x91, 0};
constexpr PhysicalKey WINDOWS_KEY{0x5B, 0x5B, 0, true};
constexpr PhysicalKey MENU_KEY{0x5D, 0x5D, 0, true};

// Keypad keys by the digit on them, and the keypad "." last.
constexpr std::array<std::uint16_t, 11> KEYPAD_SCANS = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C,
                                                        0x4D, 0x47, 0x48, 0x49, 0x53};
// Insert, End, Down, Page Down, Left, Clear, Right, Home, Up, Page Up, Delete.
constexpr std::array<std::uint16_t, 11> KEYPAD_MOVES = {0x2D, 0x23, 0x28, 0x22, 0x25, 0x0C,
                                                        0x27, 0x24, 0x26, 0x21, 0x2E};
constexpr int KEYPAD_POINT = 10;

// A keypad key with Num Lock on: VK_NUMPAD0 to VK_NUMPAD9, or VK_DECIMAL.
PhysicalKey keypadDigit(int digit) {
    if (digit == KEYPAD_POINT)
        return {KEYPAD_SCANS[KEYPAD_POINT], 0x6E, '.'};
    return {KEYPAD_SCANS[static_cast<std::size_t>(digit)],
            static_cast<std::uint16_t>(CONSOLE_VK_NUMPAD0 + digit),
            static_cast<std::uint16_t>('0' + digit)};
}

// A keypad key with Num Lock off: a cursor key that is not enhanced.
PhysicalKey keypadMove(int digit) {
    auto i = static_cast<std::size_t>(digit);
    return {KEYPAD_SCANS[i], KEYPAD_MOVES[i], 0};
}

ConsoleKeyEvent release(PhysicalKey key, std::uint32_t modifiers = NONE, unsigned character = 0) {
    ConsoleKeyEvent event = press(key, modifiers, character);
    event.keyDown = false;
    return event;
}

struct Case {
    const char* name;
    ConsoleKeyEvent event;
    MaybeKey expected;
};

void expectDecoded(const std::vector<Case>& cases) {
    for (const Case& c : cases)
        EXPECT_EQ(decodeConsoleKey(c.event), c.expected) << c.name;
}

const std::vector<Case>& keysTheBrowserReadsAsCommands() {
    static const std::vector<Case> cases = {
        {"up arrow", press(GREY_UP), KEY_UP},
        {"shift up arrow", press(GREY_UP, SHIFT), KEY_UP},
        {"keypad 8 with num lock off", press(keypadMove(8)), KEY_UP},
        {"keypad 8 with num lock on", press(keypadDigit(8), NONE, '8'), 56},
        {"ctrl up arrow", press(GREY_UP, LCTRL), 0x8DFF},
        {"alt up arrow", press(GREY_UP, LALT), 0x98FF},
        {"down arrow", press(GREY_DOWN), KEY_DOWN},
        {"shift down arrow", press(GREY_DOWN, SHIFT), KEY_DOWN},
        {"keypad 2 with num lock off", press(keypadMove(2)), KEY_DOWN},
        {"keypad 2 with num lock on", press(keypadDigit(2), NONE, '2'), '2'},
        {"ctrl down arrow", press(GREY_DOWN, RCTRL), ext(0x91)},
        {"enter", press(ENTER, NONE, 13), KEY_ENTER},
        {"grey enter", press(GREY_ENTER, NONE, 13), KEY_ENTER},
        {"ctrl m", press(usKey('m'), LCTRL, 13), KEY_ENTER},
        {"esc", press(ESC_KEY, NONE, 27), KEY_ESCAPE},
        {"shift esc", press(ESC_KEY, SHIFT, 27), KEY_ESCAPE},
        {"ctrl [", press(usKey('['), LCTRL, 27), KEY_ESCAPE},
    };
    return cases;
}

TEST(ConsoleKeys, KeysTheBrowserReadsAsCommands) {
    expectDecoded(keysTheBrowserReadsAsCommands());
}

TEST(ConsoleKeys, LockLightsChangeNothing) {
    for (Case c : keysTheBrowserReadsAsCommands()) {
        c.event.controlKeyState |= LOCK_LIGHTS;
        EXPECT_EQ(decodeConsoleKey(c.event), c.expected) << c.name;
    }
}

TEST(ConsoleKeys, ModifierAndLockKeysAloneGiveNothing) {
    struct Key {
        const char* name;
        PhysicalKey key;
        std::uint32_t ownState;
    };
    const Key keys[] = {
        {"left shift", LEFT_SHIFT, SHIFT},  {"right shift", RIGHT_SHIFT, SHIFT},
        {"left ctrl", LEFT_CTRL, LCTRL},    {"right ctrl", RIGHT_CTRL, RCTRL},
        {"left alt", LEFT_ALT, LALT},       {"right alt", RIGHT_ALT, RALT},
        {"altgr", RIGHT_ALT, ALTGR},        {"caps lock", CAPS_LOCK, NONE},
        {"num lock", NUM_LOCK, NONE},       {"scroll lock", SCROLL_LOCK, NONE},
        {"windows key", WINDOWS_KEY, NONE}, {"menu key", MENU_KEY, NONE},
    };
    const std::uint32_t alsoHeld[] = {NONE, SHIFT, LCTRL, LALT, LCTRL | LALT | SHIFT, LOCK_LIGHTS};
    for (const Key& k : keys)
        for (std::uint32_t held : alsoHeld)
            EXPECT_EQ(decodeConsoleKey(press(k.key, k.ownState | held)), NOTHING)
                << k.name << " state " << (k.ownState | held);
}

TEST(ConsoleKeys, ExtendedCodesOfKeys) {
    const std::vector<Case> cases = {
        {"f1", press({0x3B, 0x70, 0}), 0x3BFF},
        {"shift f12", press({0x58, 0x7B, 0}, SHIFT), 0x88FF},
        {"alt f4", press({0x3E, 0x73, 0}, LALT), 0x6BFF},
        {"alt q", press(usKey('q'), LALT, 'q'), 0x10FF},
        {"alt shift q", press(usKey('q'), LALT | SHIFT, 'Q'), ext(0x10)},
        {"alt 7 like alt -", press(usKey('7'), LALT, '7'), 0x82FF},
        {"alt esc", press(ESC_KEY, LALT, 27), ext(0x01)},
        {"alt enter", press(ENTER, LALT, 13), ext(0x1C)},
        {"alt backspace", press(BACKSPACE, LALT, 8), ext(0xE0)},
        {"alt tab", press(TAB, LALT, 9), ext(0x0F)},
        {"shift tab", press(TAB, SHIFT, 9), ext(0x0F)},
        {"ctrl tab", press(TAB, LCTRL, 9), ext(0x94)},
        {"ctrl 2 reporting its digit", press(usKey('2'), LCTRL, '2'), ext(0x03)},
        {"ctrl 2 reporting nothing", press(usKey('2'), LCTRL), NOTHING},
        {"tab reporting nothing", press(TAB), NOTHING},
        {"alt \\ has no code", press(usKey('\\'), LALT, '\\'), '\\'},
        {"alt space has no code", press(usKey(' '), LALT, ' '), ' '},
        {"alt keypad * has no code", press(KEYPAD_STAR, LALT, '*'), '*'},
    };
    expectDecoded(cases);
}

TEST(ConsoleKeys, CharacterKeysGiveTheirCharacter) {
    const std::vector<Case> cases = {
        {"a", press(usKey('a'), NONE, 'a'), 'a'},
        {"shift a", press(usKey('a'), SHIFT, 'A'), 'A'},
        {"caps lock a", press(usKey('a'), 0x0080, 'A'), 'A'},
        {"shift 1", press(usKey('1'), SHIFT, '!'), '!'},
        {"ctrl a", press(usKey('a'), LCTRL, 1), 1},
        {"ctrl z", press(usKey('z'), RCTRL, 26), 26},
        {"ctrl \\", press(usKey('\\'), LCTRL, 28), 28},
        {"backspace", press(BACKSPACE, NONE, 8), 8},
        {"ctrl backspace", press(BACKSPACE, LCTRL, 127), 127},
        {"tab", press(TAB, NONE, 9), 9},
        {"ctrl enter", press(ENTER, LCTRL, 10), 10},
        {"space", press(usKey(' '), NONE, ' '), ' '},
        {"keypad *", press(KEYPAD_STAR, NONE, '*'), '*'},
        {"keypad . with num lock on", press(keypadDigit(KEYPAD_POINT), NONE, '.'), '.'},
        {"grey / with a character", press(GREY_SLASH, NONE, '/'), '/'},
        {"grey / without a character", press(GREY_SLASH), 47},
        {"grey enter with ctrl and a character", press(GREY_ENTER, LCTRL, 10), 10},
        {"character above 127", press({0x03, '2', 0xE9}, NONE, 0xE9), 0xE9},
        {"letter key reporting nothing", press(usKey('a')), NOTHING},
    };
    expectDecoded(cases);
    for (int digit = 0; digit <= 9; ++digit)
        EXPECT_EQ(decodeConsoleKey(press(keypadDigit(digit), NONE, unsigned('0' + digit))),
                  KeyCode('0' + digit))
            << "keypad " << digit << " with num lock on";
}

TEST(ConsoleKeys, LayoutCharactersWinOverAltCodes) {
    const std::vector<Case> cases = {
        {"altgr q as @", press(usKey('q'), ALTGR, '@'), '@'},
        {"altgr 7 as {", press(usKey('7'), ALTGR, '{'), '{'},
        {"altgr e as euro", press(usKey('e'), ALTGR, 0x80), 0x80},
        {"left ctrl alt q as @", press(usKey('q'), LCTRL | LALT, '@'), '@'},
        {"altgr q reporting q", press(usKey('q'), ALTGR, 'q'), ext(0x10)},
        {"unshifted letter given in lower case", press({0x10, 'Q', 'q'}, LALT | SHIFT, 'Q'),
         ext(0x10)},
        {"alt q reporting nothing", press(usKey('q'), LALT), NOTHING},
        {"alt shift 1 as !", press(usKey('1'), LALT | SHIFT, '!'), '!'},
        {"ctrl tab as another character", press(TAB, LCTRL, 'x'), 'x'},
    };
    expectDecoded(cases);
}

TEST(ConsoleKeys, ScanCodesPastTheTableGiveTheCharacter) {
    const std::uint16_t scans[] = {0x59, 0x70, 0x73, 0x7D, 0x7E, 0xFF};
    const std::uint32_t states[] = {NONE, SHIFT, LCTRL, LALT, ALTGR, CONSOLE_ENHANCED_KEY};
    for (std::uint16_t scan : scans) {
        PhysicalKey key{scan, 0xC1, '\\'};
        for (std::uint32_t state : states) {
            EXPECT_EQ(decodeConsoleKey(press(key, state, '\\')), KeyCode('\\'))
                << "scan " << scan << " state " << state;
            EXPECT_EQ(decodeConsoleKey(press(key, state, 0xA5)), KeyCode(0xA5))
                << "scan " << scan << " state " << state;
            EXPECT_EQ(decodeConsoleKey(press(key, state)), NOTHING)
                << "scan " << scan << " state " << state;
        }
    }
    EXPECT_EQ(decodeConsoleKey(press({0x56, 0xE2, '\\'}, LALT, '\\')), '\\') << "iso extra key";
}

// Feeds events one after the other, as the console delivers them.
Keys handleAll(ConsoleKeyState& keyboard, const Events& events) {
    Keys keys;
    for (const ConsoleKeyEvent& event : events)
        handleConsoleKeyEvent(keyboard, event, keys);
    return keys;
}

Events operator+(Events first, const Events& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

// Keypad digits typed with Num Lock on while the modifiers in held stay down.
Events keypadDigits(const std::string& digits, std::uint32_t held = LALT) {
    Events events;
    for (char d : digits) {
        events.push_back(press(keypadDigit(d - '0'), held));
        events.push_back(release(keypadDigit(d - '0'), held));
    }
    return events;
}

const Events ALT_DOWN = {press(LEFT_ALT, LALT)};
const Events ALT_UP = {release(LEFT_ALT, NONE)};

Events altNumber(const std::string& digits) {
    return ALT_DOWN + keypadDigits(digits) + ALT_UP;
}

TEST(ConsoleKeyEvents, ReleasesGiveNothing) {
    const Events releases = {
        release(ENTER, NONE, 13),
        release(ESC_KEY, NONE, 27),
        release(GREY_UP),
        release(GREY_DOWN, SHIFT),
        release(usKey('a'), NONE, 'a'),
        release(usKey('a'), LCTRL, 1),
        release({0x3B, 0x70, 0}, LALT),
        release(LEFT_ALT),
        release(RIGHT_CTRL),
        release(LEFT_SHIFT),
        release(keypadDigit(5), LALT),
        release(keypadDigit(5), NONE, '5'),
    };
    for (const ConsoleKeyEvent& event : releases) {
        ConsoleKeyState keyboard;
        EXPECT_EQ(handleAll(keyboard, {event}), Keys{}) << "scan " << event.virtualScanCode;
        EXPECT_EQ(keyboard.altNumber, 0u);
    }
}

TEST(ConsoleKeyEvents, EachPressGivesOneKeyWhateverItsRepeatCount) {
    struct Row {
        std::uint16_t repeatCount;
        Keys expected;
    };
    const Row rows[] = {{0, {}}, {1, {KEY_DOWN}}, {3, {KEY_DOWN}}, {65535, {KEY_DOWN}}};
    for (const Row& row : rows) {
        ConsoleKeyState keyboard;
        Events events = {press(GREY_DOWN, NONE, 0, row.repeatCount), release(GREY_DOWN)};
        EXPECT_EQ(handleAll(keyboard, events), row.expected) << "repeat " << row.repeatCount;
    }
}

TEST(ConsoleKeyEvents, HeldKeyGivesOneKeyPerRepeatEvent) {
    ConsoleKeyState keyboard;
    Events events = {press(GREY_DOWN), press(GREY_DOWN), press(GREY_DOWN, NONE, 0, 2),
                     press(GREY_DOWN), release(GREY_DOWN)};
    EXPECT_EQ(handleAll(keyboard, events), Keys(4, KEY_DOWN));
}

TEST(ConsoleKeyEvents, AltNumbers) {
    struct Row {
        const char* name;
        Events events;
        Keys expected;
        unsigned pending; // altNumber after the events
    };
    const Row rows[] = {
        {"alt 2 7 is esc", altNumber("27"), {27}, 0},
        {"alt 1 3 is enter", altNumber("13"), {13}, 0},
        {"alt 6 5", altNumber("65"), {65}, 0},
        {"leading zero", altNumber("065"), {65}, 0},
        {"alt 2 5 6 is 0", altNumber("256"), {0}, 0},
        {"alt 3 2 1 wraps", altNumber("321"), {65}, 0},
        {"long number past 32 bits", altNumber("12345678901"), {53}, 0},
        {"alt 0 alone gives nothing", altNumber("0"), {}, 0},
        {"alt alone gives nothing", ALT_DOWN + ALT_UP, {}, 0},
        {"two numbers", altNumber("65") + altNumber("66"), {65, 66}, 0},
        {"right alt",
         Events{press(RIGHT_ALT, RALT)} + keypadDigits("66", RALT) + Events{release(RIGHT_ALT)},
         {66},
         0},
        {"nothing until alt is released", ALT_DOWN + keypadDigits("65"), {}, 65},
        {"held keypad digit repeats",
         ALT_DOWN +
             Events{press(keypadDigit(1), LALT), press(keypadDigit(1), LALT),
                    release(keypadDigit(1), LALT)} +
             ALT_UP,
         {11},
         0},
        {"repeat count 0 adds no digit",
         ALT_DOWN + keypadDigits("1") + Events{press(keypadDigit(2), LALT, 0, 0)} +
             keypadDigits("3") + ALT_UP,
         {13},
         0},
        {"digit reporting a character gives it as well",
         ALT_DOWN + Events{press(keypadDigit(1), LALT, '1'), release(keypadDigit(1), LALT)} +
             ALT_UP,
         {'1', 1},
         0},
        {"alt letter drops the number",
         ALT_DOWN + keypadDigits("65") +
             Events{press(usKey('x'), LALT, 'x'), release(usKey('x'), LALT)} + ALT_UP,
         {ext(0x2D)},
         0},
        {"shift pressed ends the number",
         ALT_DOWN + keypadDigits("65") + Events{press(LEFT_SHIFT, LALT | SHIFT)},
         {65},
         0},
        {"shift released and alt released give no more",
         ALT_DOWN + keypadDigits("65") +
             Events{press(LEFT_SHIFT, LALT | SHIFT), release(LEFT_SHIFT, LALT)} + ALT_UP,
         {65},
         0},
        {"ctrl after an unseen alt release ends the number",
         ALT_DOWN + keypadDigits("65") + Events{press(LEFT_CTRL, LCTRL)},
         {65},
         0},
        {"key after an unseen alt release drops the number",
         ALT_DOWN + keypadDigits("65") + Events{press(usKey('b'), NONE, 'b')},
         {'b'},
         0},
        {"ctrl alt digits build nothing",
         Events{press(LEFT_CTRL, LCTRL), press(LEFT_ALT, LCTRL | LALT)} +
             keypadDigits("65", LCTRL | LALT) +
             Events{release(LEFT_ALT, LCTRL), release(LEFT_CTRL)},
         {},
         0},
        {"shift alt digits build nothing",
         Events{press(LEFT_SHIFT, SHIFT), press(LEFT_ALT, SHIFT | LALT)} +
             keypadDigits("65", SHIFT | LALT) +
             Events{release(LEFT_ALT, SHIFT), release(LEFT_SHIFT)},
         {},
         0},
        {"altgr digits build nothing",
         Events{press(RIGHT_ALT, ALTGR)} + keypadDigits("65", ALTGR) + Events{release(RIGHT_ALT)},
         {},
         0},
        {"keypad with num lock off builds nothing",
         ALT_DOWN +
             Events{press(keypadMove(6), LALT), release(keypadMove(6), LALT),
                    press(keypadMove(2), LALT), release(keypadMove(2), LALT)} +
             ALT_UP,
         {},
         0},
        {"digits without alt are characters",
         Events{press(keypadDigit(6), NONE, '6'), release(keypadDigit(6), NONE, '6'),
                press(keypadDigit(5), NONE, '5'), release(keypadDigit(5), NONE, '5')},
         {'6', '5'},
         0},
    };
    for (const Row& row : rows) {
        ConsoleKeyState keyboard;
        EXPECT_EQ(handleAll(keyboard, row.events), row.expected) << row.name;
        EXPECT_EQ(keyboard.altNumber, row.pending) << row.name;
    }
}

} // namespace
