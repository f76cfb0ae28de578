#pragma once

// Turns the bytes a terminal sends into key values: plain characters, and the
// escape sequences of xterm, VT220, rxvt and the Linux console mapped to the
// extended codes of the PC keyboard. A pure function of bytes and time.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "services/host/key_code.h"

// How long a lone ESC waits for the rest of a sequence before it counts as Esc.
inline constexpr int ESCAPE_DELAY_MS = 60;

struct TerminalKeyDecoder {
    std::string pending;           // bytes of a sequence not yet complete
    std::int64_t pendingSince = 0; // when its first byte arrived
    // An ESC came right before the pending ESC: the key it begins is an
    // Alt+key in its ESC-prefix form, dropped whole when it completes.
    bool altPrefix = false;
    // Inside a bracketed paste: every byte is dropped up to the end mark,
    // of which endMatched bytes have arrived.
    bool pasting = false;
    std::size_t endMatched = 0;
};

// Decodes bytes that arrived at nowMs, appending every completed key to keys.
void feedTerminalBytes(TerminalKeyDecoder& decoder, const char* bytes, std::size_t count,
                       std::int64_t nowMs, std::vector<KeyCode>& keys);
// Settles an incomplete sequence whose time is up: a lone ESC becomes Esc,
// anything else (an Alt+Esc included) is dropped.
void expireTerminalInput(TerminalKeyDecoder& decoder, std::int64_t nowMs,
                         std::vector<KeyCode>& keys);
// When expireTerminalInput has work to do, or -1 when nothing is pending.
std::int64_t terminalInputDeadline(const TerminalKeyDecoder& decoder);
// How long, from nowMs, a wait for input of at most milliseconds may last:
// no longer than a pending ESC may wait to become Esc (never below 0).
int terminalInputWaitMs(const TerminalKeyDecoder& decoder, std::int64_t nowMs, int milliseconds);
