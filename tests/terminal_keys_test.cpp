#include "services/host/terminal_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Keys = std::vector<KeyCode>;

constexpr KeyCode ext(std::uint8_t code) {
    return extendedKey(code);
}

// Feeds bytes at time 0, then lets any pending ESC time out.
Keys decodeAll(const std::string& bytes) {
    TerminalKeyDecoder decoder;
    Keys keys;
    feedTerminalBytes(decoder, bytes.data(), bytes.size(), 0, keys);
    expireTerminalInput(decoder, 1000, keys);
    return keys;
}

// Feeds bytes in two pieces, the second a little later, then times out.
Keys decodeSplit(const std::string& bytes, std::size_t at) {
    TerminalKeyDecoder decoder;
    Keys keys;
    feedTerminalBytes(decoder, bytes.data(), at, 0, keys);
    feedTerminalBytes(decoder, bytes.data() + at, bytes.size() - at, 10, keys);
    expireTerminalInput(decoder, 1000, keys);
    return keys;
}

bool hasCriticalKey(const Keys& keys) {
    return std::any_of(keys.begin(), keys.end(), [](KeyCode k) {
        return k == KEY_ESCAPE || k == KEY_ENTER || k == KEY_UP || k == KEY_DOWN;
    });
}

struct Case {
    const char* name;
    std::string bytes;
    Keys expected;
};

const std::string E = "\x1b";

const std::vector<Case>& knownSequences() {
    static const std::vector<Case> cases = {
        {"csi up", E + "[A", {KEY_UP}},
        {"ss3 up", E + "OA", {KEY_UP}},
        {"xterm shift up", E + "[1;2A", {KEY_UP}},
        {"rxvt shift up", E + "[a", {KEY_UP}},
        {"csi down", E + "[B", {KEY_DOWN}},
        {"ss3 down", E + "OB", {KEY_DOWN}},
        {"xterm shift down", E + "[1;2B", {KEY_DOWN}},
        {"rxvt shift down", E + "[b", {KEY_DOWN}},
        {"enter", "\r", {KEY_ENTER}},
        {"keypad enter", E + "OM", {KEY_ENTER}},
        {"lone esc", E, {KEY_ESCAPE}},
        {"ctrl up", E + "[1;5A", {0x8DFF}},
        {"alt up", E + "[1;3A", {0x98FF}},
        {"rxvt ctrl up", E + "Oa", {ext(0x8D)}},
        {"rxvt ctrl down", E + "Ob", {ext(0x91)}},
        {"rxvt ctrl right", E + "Oc", {ext(0x74)}},
        {"rxvt ctrl left", E + "Od", {ext(0x73)}},
        {"rxvt shift right", E + "[c", {ext(0x4D)}},
        {"rxvt shift left", E + "[d", {ext(0x4B)}},
        {"ss3 right", E + "OC", {ext(0x4D)}},
        {"ss3 left", E + "OD", {ext(0x4B)}},
        {"ss3 home", E + "OH", {ext(0x47)}},
        {"ss3 end", E + "OF", {ext(0x4F)}},
        {"vt220 home", E + "[1~", {ext(0x47)}},
        {"vt220 end", E + "[4~", {ext(0x4F)}},
        {"rxvt home", E + "[7~", {ext(0x47)}},
        {"rxvt end", E + "[8~", {ext(0x4F)}},
        {"rxvt shift pgup", E + "[5$", {ext(0x49)}},
        {"rxvt ctrl pgdn", E + "[6^", {ext(0x76)}},
        {"rxvt ctrl delete", E + "[3^", {ext(0x93)}},
        {"ss3 f1", E + "OP", {ext(0x3B)}},
        {"ss3 f2", E + "OQ", {ext(0x3C)}},
        {"ss3 f3", E + "OR", {ext(0x3D)}},
        {"ss3 f4", E + "OS", {ext(0x3E)}},
        {"old xterm alt f2", E + "O3Q", {ext(0x69)}},
        {"vt220 f1", E + "[11~", {ext(0x3B)}},
        {"vt220 f2", E + "[12~", {ext(0x3C)}},
        {"vt220 f3", E + "[13~", {ext(0x3D)}},
        {"vt220 f4", E + "[14~", {ext(0x3E)}},
        {"linux f1", E + "[[A", {ext(0x3B)}},
        {"linux f2", E + "[[B", {ext(0x3C)}},
        {"linux f3", E + "[[C", {ext(0x3D)}},
        {"linux f4", E + "[[D", {ext(0x3E)}},
        {"linux f5", E + "[[E", {ext(0x3F)}},
        {"xterm shift f12", E + "[24;2~", {ext(0x88)}},
        {"rxvt shift f3", E + "[25~", {ext(0x56)}},
        {"rxvt shift f10", E + "[34~", {ext(0x5D)}},
        {"rxvt shift f11", E + "[23$", {ext(0x87)}},
        {"rxvt shift f12", E + "[24$", {ext(0x88)}},
        {"rxvt ctrl f1", E + "[11^", {ext(0x5E)}},
        {"rxvt ctrl f12", E + "[24^", {ext(0x8A)}},
        {"rxvt ctrl shift f1", E + "[11@", {ext(0x5E)}},
        {"shift tab", E + "[Z", {ext(0x0F)}},
        {"alt enter", E + "\r", {ext(0x1C)}},
        {"alt x", E + "x", {ext(0x2D)}},
        {"keypad digit", E + "Oq", {'1'}},
        {"alt esc", E + E, {}},
        {"alt esc then esc", E + E + E, {KEY_ESCAPE}},
        {"rxvt alt up", E + E + "[A", {}},
        {"rxvt alt down", E + E + "[B", {}},
        {"rxvt alt ss3 up", E + E + "OA", {}},
        {"rxvt alt f5", E + E + "[15~", {}},
        {"alt alt x", E + E + "x", {}},
        {"alt up then down", E + E + "[A" + E + "[B", {KEY_DOWN}},
        {"alt enter then enter", E + E + "\r\r", {KEY_ENTER}},
        {"paste", E + "[200~pasted\r" + E + "[B" + E + "[201~", {}},
        {"paste then down", E + "[200~a\r" + E + "[201~" + E + "[B", {KEY_DOWN}},
        {"esc inside a paste", E + "[200~" + E + E + "[201~x", {'x'}},
        {"paste end alone", E + "[201~", {}},
        {"keys around a sequence", "a" + E + "[Bb", {'a', KEY_DOWN, 'b'}},
        {"two sequences", E + "[A" + E + "OB", {KEY_UP, KEY_DOWN}},
    };
    return cases;
}

TEST(TerminalKeys, DecodesKnownSequences) {
    for (const Case& c : knownSequences())
        EXPECT_EQ(decodeAll(c.bytes), c.expected) << c.name;
}

TEST(TerminalKeys, DecodesSequencesSplitAtEveryPoint) {
    for (const Case& c : knownSequences())
        for (std::size_t at = 1; at < c.bytes.size(); ++at)
            EXPECT_EQ(decodeSplit(c.bytes, at), c.expected) << c.name << " split at " << at;
}

TEST(TerminalKeys, DecodesSequencesFedByteByByte) {
    for (const Case& c : knownSequences()) {
        TerminalKeyDecoder decoder;
        Keys keys;
        for (std::size_t i = 0; i < c.bytes.size(); ++i)
            feedTerminalBytes(decoder, c.bytes.data() + i, 1, static_cast<std::int64_t>(i), keys);
        expireTerminalInput(decoder, 1000, keys);
        EXPECT_EQ(keys, c.expected) << c.name;
    }
}

TEST(TerminalKeys, DropsUnknownAndMalformedSequencesWhole) {
    const std::string overlong = E + "[" + std::string(40, '1') + "A";
    const std::vector<Case> cases = {
        {"unknown tilde", E + "[250~", {}},
        {"unknown tilde then char", E + "[250~x", {'x'}},
        {"sgr mouse", E + "[<0;1;1M", {}},
        {"sgr mouse release", E + "[<0;12;5m", {}},
        {"x10 mouse", E + "[M \x21\x21", {}},
        {"x10 mouse then char", E + "[M\x20\x2d\x2a" + "z", {'z'}},
        {"urxvt mouse", E + "[32;1;1M", {}},
        {"focus in", E + "[I", {}},
        {"focus out", E + "[O", {}},
        {"private marker", E + "[?1;2A", {}},
        {"intermediate", E + "[1 A", {}},
        {"three parameters", E + "[1;5;1A", {}},
        {"first parameter not 1", E + "[2;5A", {}},
        {"cursor report like", E + "[12;40R", {}},
        {"overlong csi", overlong, {}},
        {"overlong csi then char", overlong + "q", {'q'}},
        {"overlong zero padded up", E + "[" + std::string(40, '0') + "1A", {}},
        {"interrupted csi", E + "[" + E + "A", {ext(0x1E)}},
        {"unknown ss3", E + "Oz", {}},
        {"unknown linux", E + "[[Z", {}},
        {"alt unmapped symbol", E + "!", {}},
        {"alt control byte", E + "\x01", {}},
        {"alt high byte", E + "\xc3", {}},
        {"csi introducer alone", E + "[", {}},
        {"ss3 introducer alone", E + "O", {}},
    };
    for (const Case& c : cases) {
        Keys keys = decodeAll(c.bytes);
        EXPECT_EQ(keys, c.expected) << c.name;
        EXPECT_FALSE(hasCriticalKey(keys)) << c.name;
    }
}

TEST(TerminalKeys, KeysAfterABrokenSequenceStillCount) {
    const std::vector<Case> cases = {
        {"interrupted csi then down", E + "[1;" + E + "[B", {KEY_DOWN}},
        {"interrupted ss3 then up", E + "O" + E + "[A", {KEY_UP}},
        {"csi cut by cr", E + "[1\r", {KEY_ENTER}},
        {"linux prefix cut by esc", E + "[[" + E + "OM", {KEY_ENTER}},
        {"x10 mouse then esc", E + "[M !!" + E, {KEY_ESCAPE}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeAll(c.bytes), c.expected) << c.name;
}

TEST(TerminalKeys, UnknownSequencesGiveNoCriticalKeyAtAnySplit) {
    const std::vector<std::string> sequences = {
        E + "[200~", E + "[<0;1;1M", E + "[I", E + "[" + std::string(40, '0') + "A", E + "[1;5;1B"};
    for (const std::string& s : sequences)
        for (std::size_t at = 1; at < s.size(); ++at)
            EXPECT_FALSE(hasCriticalKey(decodeSplit(s, at))) << s.substr(1) << " split at " << at;
}

TEST(TerminalKeys, PlainBytesAreTheirOwnKey) {
    for (int b = 1; b < 256; ++b) {
        if (b == 27)
            continue;
        std::string bytes(1, static_cast<char>(b));
        EXPECT_EQ(decodeAll(bytes), Keys{static_cast<KeyCode>(b)}) << "byte " << b;
    }
    EXPECT_EQ(decodeAll(std::string(1, '\0')), Keys{});
    EXPECT_EQ(decodeAll(std::string("a\0b", 3)), (Keys{'a', 'b'}));
}

TEST(TerminalKeys, LoneEscWaitsForTheDelay) {
    TerminalKeyDecoder decoder;
    Keys keys;
    EXPECT_EQ(terminalInputDeadline(decoder), -1);
    feedTerminalBytes(decoder, "\x1b", 1, 100, keys);
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(terminalInputDeadline(decoder), 100 + ESCAPE_DELAY_MS);
    expireTerminalInput(decoder, 100 + ESCAPE_DELAY_MS - 1, keys);
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(terminalInputDeadline(decoder), 100 + ESCAPE_DELAY_MS);
    expireTerminalInput(decoder, 100 + ESCAPE_DELAY_MS, keys);
    EXPECT_EQ(keys, Keys{KEY_ESCAPE});
    EXPECT_EQ(terminalInputDeadline(decoder), -1);
    expireTerminalInput(decoder, 1000, keys);
    EXPECT_EQ(keys, Keys{KEY_ESCAPE});
}

// A wait for keys wakes when a lone ESC has waited the delay, so that Esc
// comes after about 60 ms and not after the whole wait.
TEST(TerminalKeys, WaitsEndWhenALoneEscIsDue) {
    TerminalKeyDecoder idle;
    TerminalKeyDecoder escape;
    Keys keys;
    feedTerminalBytes(escape, "\x1b", 1, 100, keys);
    const struct {
        const TerminalKeyDecoder& decoder;
        std::int64_t now;
        int requested, expected;
    } cases[] = {
        {idle, 0, 1000, 1000},
        {idle, 0, 0, 0},
        {idle, 0, -5, 0},
        {escape, 100, 1000, ESCAPE_DELAY_MS},
        {escape, 130, 1000, ESCAPE_DELAY_MS - 30},
        {escape, 130, 10, 10},
        {escape, 100 + ESCAPE_DELAY_MS, 1000, 0},
        {escape, 5000, 1000, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(terminalInputWaitMs(c.decoder, c.now, c.requested), c.expected)
            << "at " << c.now << " for " << c.requested;
}

TEST(TerminalKeys, EscEscIsAnAltPrefixThatRestartsTheDelay) {
    TerminalKeyDecoder decoder;
    Keys keys;
    feedTerminalBytes(decoder, "\x1b", 1, 0, keys);
    feedTerminalBytes(decoder, "\x1b", 1, 40, keys);
    EXPECT_EQ(keys, Keys{});
    EXPECT_EQ(terminalInputDeadline(decoder), 40 + ESCAPE_DELAY_MS);
    feedTerminalBytes(decoder, "[B", 2, 50, keys);
    expireTerminalInput(decoder, 1000, keys);
    EXPECT_EQ(keys, Keys{}) << "Alt+Down is dropped whole";
    feedTerminalBytes(decoder, "\x1b", 1, 2000, keys);
    expireTerminalInput(decoder, 2000 + ESCAPE_DELAY_MS, keys);
    EXPECT_EQ(keys, Keys{KEY_ESCAPE}) << "a lone ESC after it is Esc again";
}

TEST(TerminalKeys, PasteIsDroppedWholeHoweverItArrives) {
    const std::string paste = E + "[200~" + "a.bmp\r" + E + "[A" + E + "\r" + E + "[201~";
    for (std::size_t at = 1; at < paste.size(); ++at)
        EXPECT_EQ(decodeSplit(paste + "\r", at), Keys{KEY_ENTER}) << "split at " << at;
    // Once its start mark is in, a paste waits for its end mark however slow.
    TerminalKeyDecoder decoder;
    Keys keys;
    const std::size_t mark = 6;
    feedTerminalBytes(decoder, paste.data(), mark, 0, keys);
    for (std::size_t i = mark; i < paste.size(); ++i) {
        const auto at = static_cast<std::int64_t>(i) * 1000;
        expireTerminalInput(decoder, at, keys);
        feedTerminalBytes(decoder, paste.data() + i, 1, at, keys);
    }
    expireTerminalInput(decoder, 1000000, keys);
    EXPECT_EQ(keys, Keys{});
}

TEST(TerminalKeys, IncompletePrefixIsDroppedAtTheDeadline) {
    TerminalKeyDecoder decoder;
    Keys keys;
    feedTerminalBytes(decoder, "\x1b[1;", 4, 0, keys);
    EXPECT_EQ(terminalInputDeadline(decoder), ESCAPE_DELAY_MS);
    expireTerminalInput(decoder, ESCAPE_DELAY_MS, keys);
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(terminalInputDeadline(decoder), -1);
    feedTerminalBytes(decoder, "5A", 2, 70, keys);
    EXPECT_EQ(keys, (Keys{'5', 'A'}));
}

TEST(TerminalKeys, LateBytesDoNotCompleteAnExpiredEsc) {
    TerminalKeyDecoder decoder;
    Keys keys;
    feedTerminalBytes(decoder, "\x1b", 1, 0, keys);
    feedTerminalBytes(decoder, "[A", 2, ESCAPE_DELAY_MS + 5, keys);
    EXPECT_EQ(keys, (Keys{KEY_ESCAPE, '[', 'A'}));
}

TEST(TerminalKeys, SplitSequenceWithinTheDelayCompletes) {
    TerminalKeyDecoder decoder;
    Keys keys;
    feedTerminalBytes(decoder, "\x1b[1", 3, 0, keys);
    expireTerminalInput(decoder, ESCAPE_DELAY_MS - 1, keys);
    feedTerminalBytes(decoder, ";3A", 3, ESCAPE_DELAY_MS - 1, keys);
    EXPECT_EQ(keys, Keys{0x98FF});
    EXPECT_EQ(terminalInputDeadline(decoder), -1);
}

} // namespace
