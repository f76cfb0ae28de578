#include "services/host/terminal_keys.h"

#include <algorithm>
#include <array>

#include "services/host/extended_keys.h"

namespace {

constexpr unsigned char ESC = 27;
constexpr std::size_t MAX_SEQUENCE = 32;
// The marks a terminal in bracketed paste mode puts around pasted text.
constexpr char PASTE_START[] = "\x1b[200~";
constexpr char PASTE_END[] = "\x1b[201~";

// Keys by scan code, the cursor keys being the grey ones; 0 = no key.
using Key = std::uint8_t;
constexpr Key NO_KEY = 0;

// Keys of CSI n ~, with the Shift that rxvt and the Linux console imply for
// the F-key numbers past F12.
struct TildeKey {
    Key key;
    bool shifted;
};
constexpr std::array<TildeKey, 35> TILDE_KEYS = [] {
    std::array<TildeKey, 35> t{};
    constexpr Key plain[] = {NO_KEY,       SCAN_HOME,      SCAN_INSERT, SCAN_DELETE, SCAN_END,
                             SCAN_PAGE_UP, SCAN_PAGE_DOWN, SCAN_HOME,   SCAN_END};
    for (int n = 0; n < 9; ++n)
        t[n] = {plain[n], false};
    // Function key numbers; 0 = none.
    constexpr int fkeys[] = {1, 2, 3, 4, 5, 0, 6, 7, 8, 9, 10, 0, 11, 12};
    for (int i = 0; i < 14; ++i)
        t[11 + i] = {functionKeyScan(fkeys[i]), false};
    constexpr int shiftedF[] = {3, 4, 0, 5, 6, 0, 7, 8, 9, 10};
    for (int i = 0; i < 10; ++i)
        t[25 + i] = {functionKeyScan(shiftedF[i]), true};
    return t;
}();

// Keys named by the final letter of CSI/SS3 cursor and PF sequences.
constexpr Key letterKey(char final) {
    switch (final) {
    case 'A':
        return SCAN_UP;
    case 'B':
        return SCAN_DOWN;
    case 'C':
        return SCAN_RIGHT;
    case 'D':
        return SCAN_LEFT;
    case 'H':
        return SCAN_HOME;
    case 'F':
        return SCAN_END;
    case 'P':
    case 'Q':
    case 'R':
    case 'S':
        return functionKeyScan(final - 'P' + 1);
    default:
        return NO_KEY;
    }
}

constexpr Key RXVT_ARROWS[] = {SCAN_UP, SCAN_DOWN, SCAN_RIGHT, SCAN_LEFT};

constexpr unsigned SHIFT_BIT = 1, ALT_BIT = 2, CTRL_BIT = 4, META_BIT = 8;

// Key value for key with the xterm modifier bits, Meta counting as Alt; 0 when
// it gives nothing.
KeyCode keyWith(Key key, unsigned bits) {
    KeyColumn column = (bits & (ALT_BIT | META_BIT)) ? COLUMN_ALT
                       : (bits & CTRL_BIT)           ? COLUMN_CTRL
                       : (bits & SHIFT_BIT)          ? COLUMN_SHIFT
                                                     : COLUMN_PLAIN;
    KeyCode grey = greyKeyValue(key, column);
    return grey != 0 ? grey : scanKeyValue(key, column);
}

// Alt with a character key: the Alt code of the US key that types it.
KeyCode altKey(unsigned char byte) {
    return byte < US_SCAN_CODES.size() ? scanKeyValue(US_SCAN_CODES[byte], COLUMN_ALT) : 0;
}

unsigned modifierBits(unsigned parameter) {
    return parameter > 1 ? parameter - 1 : 0;
}

// Numeric parameters between the introducer and the final byte; false when
// there are private markers, intermediates or more than two of them.
bool parseParameters(const std::string& seq, std::array<unsigned, 2>& params, std::size_t& count) {
    params = {0, 0};
    count = 1;
    for (std::size_t i = 2; i + 1 < seq.size(); ++i) {
        char c = seq[i];
        if (c == ';') {
            if (++count > params.size())
                return false;
        } else if (c >= '0' && c <= '9') {
            unsigned& p = params[count - 1];
            p = p > 9999 ? p : p * 10 + static_cast<unsigned>(c - '0');
        } else {
            return false;
        }
    }
    return true;
}

KeyCode decodeTilde(unsigned number, char final, unsigned bits) {
    if (number >= TILDE_KEYS.size())
        return 0;
    TildeKey entry = TILDE_KEYS[number];
    if (entry.shifted || final == '$' || final == '@')
        bits |= SHIFT_BIT;
    if (final == '^' || final == '@')
        bits |= CTRL_BIT;
    return keyWith(entry.key, bits);
}

KeyCode decodeCsi(char final, const std::array<unsigned, 2>& params, std::size_t count) {
    unsigned bits = modifierBits(count > 1 ? params[1] : 1);
    if (final == '~' || final == '$' || final == '^' || final == '@')
        return decodeTilde(params[0], final, bits);
    if (params[0] > 1)
        return 0;
    if (final >= 'a' && final <= 'd')
        return count == 1 ? keyWith(RXVT_ARROWS[final - 'a'], SHIFT_BIT) : 0;
    if (final == 'Z')
        return keyWith(SCAN_TAB, SHIFT_BIT);
    return keyWith(letterKey(final), bits);
}

// Application keypad characters sent as ESC O p..y and friends.
constexpr char keypadChar(char final) {
    constexpr const char* finals = "pqrstuvwxyjklmnoX";
    constexpr const char* chars = "0123456789*+,-./=";
    for (int i = 0; finals[i] != '\0'; ++i)
        if (finals[i] == final)
            return chars[i];
    return 0;
}

KeyCode decodeSs3(char final, const std::array<unsigned, 2>& params, std::size_t count) {
    unsigned bits = modifierBits(params[count - 1]);
    if (final == 'M')
        return KEY_ENTER;
    if (final >= 'a' && final <= 'd')
        return keyWith(RXVT_ARROWS[final - 'a'], CTRL_BIT);
    if (char c = keypadChar(final); c != 0)
        return static_cast<KeyCode>(c);
    return keyWith(letterKey(final), bits);
}

// The key of a complete sequence, or 0 when it stands for none.
KeyCode decodeSequence(const std::string& seq) {
    if (seq.size() == 4 && seq[1] == '[' && seq[2] == '[')
        return seq[3] >= 'A' && seq[3] <= 'E' ? keyWith(functionKeyScan(seq[3] - 'A' + 1), 0) : 0;
    std::array<unsigned, 2> params{};
    std::size_t count = 0;
    if (!parseParameters(seq, params, count))
        return 0;
    return seq[1] == '[' ? decodeCsi(seq.back(), params, count)
                         : decodeSs3(seq.back(), params, count);
}

bool isX10Mouse(const std::string& seq) {
    return seq.size() >= 3 && seq[1] == '[' && seq[2] == 'M';
}

// Whether byte ends the sequence begun in seq (ESC plus introducer at least).
bool endsSequence(const std::string& seq, unsigned char byte) {
    if (seq == "\x1b[")
        return byte != '[' && byte >= 0x40 && byte <= 0x7E && byte != 'M';
    if (seq.size() == 3 && seq[2] == '[')
        return true;
    bool privateMarker = seq.size() > 2 && seq[2] >= '<' && seq[2] <= '?';
    if (byte == '$' && seq[1] == '[' && !privateMarker)
        return true;
    return byte >= 0x40 && byte <= 0x7E;
}

void emit(std::vector<KeyCode>& keys, KeyCode key) {
    if (key != 0)
        keys.push_back(key);
}

// Emits the key a pending sequence completed, unless an Alt prefix makes it
// a combination the program does not take.
void completeKey(TerminalKeyDecoder& decoder, KeyCode key, std::vector<KeyCode>& keys) {
    if (!decoder.altPrefix)
        emit(keys, key);
    decoder.altPrefix = false;
}

void startSequence(TerminalKeyDecoder& decoder, std::int64_t nowMs) {
    decoder.pending.assign(1, static_cast<char>(ESC));
    decoder.pendingSince = nowMs;
}

// An ESC right after a lone pending ESC makes an Alt prefix; after an Alt
// prefix's own lone ESC (Alt+Esc, dropped), or anywhere else, it starts afresh.
void feedEscape(TerminalKeyDecoder& decoder, std::int64_t nowMs) {
    decoder.altPrefix = decoder.pending.size() == 1 && !decoder.altPrefix;
    startSequence(decoder, nowMs);
}

// Drops a pasted byte; the end mark ends the paste.
void feedPastedByte(TerminalKeyDecoder& decoder, unsigned char byte) {
    if (byte == static_cast<unsigned char>(PASTE_END[decoder.endMatched]))
        ++decoder.endMatched;
    else
        decoder.endMatched = byte == ESC ? 1 : 0;
    if (decoder.endMatched == sizeof PASTE_END - 1) {
        decoder.pasting = false;
        decoder.endMatched = 0;
    }
}

void feedSequenceByte(TerminalKeyDecoder& decoder, unsigned char byte, std::vector<KeyCode>& keys);

void feedByte(TerminalKeyDecoder& decoder, unsigned char byte, std::int64_t nowMs,
              std::vector<KeyCode>& keys) {
    std::string& pending = decoder.pending;
    if (decoder.pasting) {
        feedPastedByte(decoder, byte);
    } else if (byte == ESC) {
        feedEscape(decoder, nowMs);
    } else if (pending.empty()) {
        emit(keys, byte);
    } else if (pending.size() == 1) {
        if (byte == '[' || byte == 'O') {
            pending += static_cast<char>(byte);
        } else {
            pending.clear();
            completeKey(decoder, altKey(byte), keys);
        }
    } else {
        feedSequenceByte(decoder, byte, keys);
    }
}

void feedSequenceByte(TerminalKeyDecoder& decoder, unsigned char byte, std::vector<KeyCode>& keys) {
    std::string& pending = decoder.pending;
    if (isX10Mouse(pending)) {
        pending += static_cast<char>(byte);
        if (pending.size() == 6) {
            pending.clear();
            decoder.altPrefix = false;
        }
        return;
    }
    if (byte < 0x20 || byte > 0x7E) {
        // A control or 8-bit byte cuts the sequence short and counts on its own.
        pending.clear();
        decoder.altPrefix = false;
        emit(keys, byte);
        return;
    }
    if (endsSequence(pending, byte)) {
        bool whole = pending.size() < MAX_SEQUENCE;
        pending += static_cast<char>(byte);
        if (whole && pending == PASTE_START) {
            decoder.pasting = true;
            decoder.altPrefix = false;
        } else {
            completeKey(decoder, whole ? decodeSequence(pending) : 0, keys);
        }
        pending.clear();
    } else if (pending.size() < MAX_SEQUENCE) {
        pending += static_cast<char>(byte);
    }
}

} // namespace

void feedTerminalBytes(TerminalKeyDecoder& decoder, const char* bytes, std::size_t count,
                       std::int64_t nowMs, std::vector<KeyCode>& keys) {
    expireTerminalInput(decoder, nowMs, keys);
    for (std::size_t i = 0; i < count; ++i) {
        auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte != 0)
            feedByte(decoder, byte, nowMs, keys);
    }
}

void expireTerminalInput(TerminalKeyDecoder& decoder, std::int64_t nowMs,
                         std::vector<KeyCode>& keys) {
    if (decoder.pending.empty() || nowMs - decoder.pendingSince < ESCAPE_DELAY_MS)
        return;
    completeKey(decoder, decoder.pending.size() == 1 ? KEY_ESCAPE : 0, keys);
    decoder.pending.clear();
}

std::int64_t terminalInputDeadline(const TerminalKeyDecoder& decoder) {
    return decoder.pending.empty() ? -1 : decoder.pendingSince + ESCAPE_DELAY_MS;
}

int terminalInputWaitMs(const TerminalKeyDecoder& decoder, std::int64_t nowMs, int milliseconds) {
    std::int64_t wait = std::max(milliseconds, 0);
    const std::int64_t deadline = terminalInputDeadline(decoder);
    if (deadline >= 0)
        wait = std::clamp<std::int64_t>(deadline - nowMs, 0, wait);
    return static_cast<int>(wait);
}
