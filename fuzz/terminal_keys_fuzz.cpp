// The terminal key decoder on arbitrary bytes arriving in pieces at times
// taken from the input. Esc, Enter, Up and Down must each come from bytes
// that encode them (Esc only from a lone ESC that waited the delay, never
// from the ESC of an Alt prefix), and how the bytes are split must not matter while no gap
// reaches the escape delay.
//
// The input: a byte k, then k schedule bytes, then the terminal's bytes.
// Each schedule byte makes one piece: its low nibble the piece's length, bits
// 4-6 the gap before it, bit 7 an expiry alone in place of an empty piece.
// What the schedule leaves over arrives as one last piece.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "services/host/terminal_keys.h"

namespace {

constexpr unsigned char ESC = 27;

struct Piece {
    std::size_t begin;
    std::size_t end;
    std::int64_t at;
    bool expiryAlone;
};

struct Arrivals {
    std::string bytes;
    std::vector<Piece> pieces;
};

constexpr std::int64_t GAPS[] = {
    0, 1, 10, ESCAPE_DELAY_MS / 2, ESCAPE_DELAY_MS - 1, ESCAPE_DELAY_MS, ESCAPE_DELAY_MS + 1, 500};

Arrivals readArrivals(const std::uint8_t* data, std::size_t size) {
    std::size_t scheduleLength = size == 0 ? 0 : std::min<std::size_t>(data[0], size - 1);
    const std::uint8_t* schedule = data + 1;
    Arrivals arrivals;
    if (size > 1 + scheduleLength)
        arrivals.bytes.assign(reinterpret_cast<const char*>(data + 1 + scheduleLength),
                              size - 1 - scheduleLength);
    std::size_t position = 0;
    std::int64_t now = 0;
    for (std::size_t i = 0; i < scheduleLength; ++i) {
        std::size_t length =
            std::min<std::size_t>(schedule[i] & 15, arrivals.bytes.size() - position);
        now += GAPS[(schedule[i] >> 4) & 7];
        bool expiryAlone = (schedule[i] & 0x80) != 0 && length == 0;
        arrivals.pieces.push_back({position, position + length, now, expiryAlone});
        position += length;
    }
    if (position < arrivals.bytes.size())
        arrivals.pieces.push_back({position, arrivals.bytes.size(), now, false});
    return arrivals;
}

std::int64_t finalExpiry(const Arrivals& arrivals) {
    return (arrivals.pieces.empty() ? 0 : arrivals.pieces.back().at) + 10 * ESCAPE_DELAY_MS;
}

// One key and what produced it: the byte at index, or an expiry at a time
// when index bytes had been fed.
struct Emitted {
    KeyCode key;
    bool byExpiry;
    std::size_t index;
    std::int64_t at;
};

void takeNew(std::vector<KeyCode>& keys, std::vector<Emitted>& emitted, Emitted origin) {
    check(keys.size() <= 1, "one byte or one expiry yields at most one key");
    for (KeyCode key : keys)
        emitted.push_back({key, origin.byExpiry, origin.index, origin.at});
    keys.clear();
}

// Feeds byte by byte, expiring at the start of each piece, so every key is
// traced to the one step that produced it.
std::vector<Emitted> decodeTraced(const Arrivals& arrivals) {
    TerminalKeyDecoder decoder;
    std::vector<KeyCode> keys;
    std::vector<Emitted> emitted;
    for (const Piece& piece : arrivals.pieces) {
        expireTerminalInput(decoder, piece.at, keys);
        takeNew(keys, emitted, {0, true, piece.begin, piece.at});
        for (std::size_t i = piece.begin; i < piece.end; ++i) {
            feedTerminalBytes(decoder, arrivals.bytes.data() + i, 1, piece.at, keys);
            takeNew(keys, emitted, {0, false, i, piece.at});
        }
    }
    expireTerminalInput(decoder, finalExpiry(arrivals), keys);
    takeNew(keys, emitted, {0, true, arrivals.bytes.size(), finalExpiry(arrivals)});
    return emitted;
}

// Feeds the pieces whole; pieceTime gives the time of piece n.
template <typename PieceTime>
std::vector<KeyCode> decodePieces(const Arrivals& arrivals, PieceTime pieceTime) {
    TerminalKeyDecoder decoder;
    std::vector<KeyCode> keys;
    for (std::size_t n = 0; n < arrivals.pieces.size(); ++n) {
        const Piece& piece = arrivals.pieces[n];
        if (piece.expiryAlone)
            expireTerminalInput(decoder, pieceTime(n), keys);
        else
            feedTerminalBytes(decoder, arrivals.bytes.data() + piece.begin, piece.end - piece.begin,
                              pieceTime(n), keys);
    }
    expireTerminalInput(decoder, finalExpiry(arrivals), keys);
    return keys;
}

std::vector<KeyCode> decodeAtOnce(const Arrivals& arrivals) {
    TerminalKeyDecoder decoder;
    std::vector<KeyCode> keys;
    feedTerminalBytes(decoder, arrivals.bytes.data(), arrivals.bytes.size(), 0, keys);
    expireTerminalInput(decoder, finalExpiry(arrivals), keys);
    return keys;
}

// A byte as the decoder sees it: zero bytes are dropped on arrival.
struct Arrived {
    unsigned char byte;
    std::int64_t at;
    bool escapeUsed = false;
};

struct Stream {
    std::vector<Arrived> arrived;
    // For each input index, how many non-zero bytes came before it.
    std::vector<std::size_t> before;
};

Stream nonZeroStream(const Arrivals& arrivals) {
    Stream stream;
    stream.before.assign(arrivals.bytes.size() + 1, 0);
    for (const Piece& piece : arrivals.pieces)
        for (std::size_t i = piece.begin; i < piece.end; ++i) {
            stream.before[i] = stream.arrived.size();
            auto byte = static_cast<unsigned char>(arrivals.bytes[i]);
            if (byte != 0)
                stream.arrived.push_back({byte, piece.at});
        }
    stream.before[arrivals.bytes.size()] = stream.arrived.size();
    return stream;
}

bool isDigit(unsigned char byte) {
    return byte >= '0' && byte <= '9';
}

// The parameters between the introducer and the final byte: digits and at
// most one ';'. Sets modifierAllowed unless the xterm modifier (the last
// parameter given) asks for Alt, Ctrl or Meta; a value past 9999 leaves it unjudged.
bool plainParameters(const std::vector<Arrived>& arrived, std::size_t from, std::size_t to,
                     bool& modifierAllowed) {
    std::string last;
    int separators = 0;
    for (std::size_t i = from; i < to; ++i) {
        if (arrived[i].byte == ';') {
            ++separators;
            last.clear();
        } else {
            last.push_back(static_cast<char>(arrived[i].byte));
        }
    }
    if (separators > 1)
        return false;
    last.erase(0, std::min(last.find_first_not_of('0'), last.size()));
    modifierAllowed = true;
    if (last.size() <= 4) {
        unsigned value = last.empty() ? 0 : static_cast<unsigned>(std::stoul(last));
        unsigned bits = value > 1 ? value - 1 : 0;
        modifierAllowed = (bits & (2 | 4 | 8)) == 0;
    }
    return true;
}

// Whether arrived[last] ends ESC, an introducer, parameters, all within the
// escape delay of the ESC.
bool endsSequence(const std::vector<Arrived>& arrived, std::size_t last, const char* introducers,
                  bool& modifierAllowed) {
    std::size_t start = last;
    while (start > 0 && (isDigit(arrived[start - 1].byte) || arrived[start - 1].byte == ';'))
        --start;
    if (start < 2 || arrived[start - 2].byte != ESC)
        return false;
    bool introduced = false;
    for (const char* c = introducers; *c != '\0'; ++c)
        introduced = introduced || arrived[start - 1].byte == static_cast<unsigned char>(*c);
    if (!introduced || arrived[last].at - arrived[start - 2].at >= ESCAPE_DELAY_MS)
        return false;
    return plainParameters(arrived, start, last, modifierAllowed);
}

// Up or Down: CSI or SS3 with final upper, an xterm modifier of at most
// Shift, or rxvt's Shift form CSI lower.
bool encodesArrow(const std::vector<Arrived>& arrived, std::size_t last, char upper, char lower) {
    bool modifierAllowed = false;
    if (arrived[last].byte == static_cast<unsigned char>(upper))
        return endsSequence(arrived, last, "[O", modifierAllowed) && modifierAllowed;
    if (arrived[last].byte == static_cast<unsigned char>(lower))
        return endsSequence(arrived, last, "[", modifierAllowed);
    return false;
}

bool encodesEnter(const std::vector<Arrived>& arrived, std::size_t last) {
    bool modifierAllowed = false;
    return arrived[last].byte == '\r' ||
           (arrived[last].byte == 'M' && endsSequence(arrived, last, "O", modifierAllowed));
}

// Whether the ESC at q is an Alt prefix's own: in a run of ESCs, each within
// the delay of the one before, every second one follows a lone pending ESC.
bool altPrefixed(const std::vector<Arrived>& arrived, std::size_t q) {
    std::size_t run = 1;
    for (std::size_t i = q;
         i > 0 && arrived[i - 1].byte == ESC && arrived[i].at - arrived[i - 1].at < ESCAPE_DELAY_MS;
         --i)
        ++run;
    return run % 2 == 0;
}

// Esc from an expiry: the last byte fed was an ESC at least the delay ago,
// not one that an ESC before it made an Alt prefix.
bool escapeFromExpiry(Stream& stream, std::size_t fed, std::int64_t at) {
    if (fed == 0)
        return false;
    Arrived& escape = stream.arrived[fed - 1];
    if (escape.byte != ESC || escape.escapeUsed || at - escape.at < ESCAPE_DELAY_MS ||
        altPrefixed(stream.arrived, fed - 1))
        return false;
    escape.escapeUsed = true;
    return true;
}

void checkKeyOrigins(const Arrivals& arrivals, const std::vector<Emitted>& emitted) {
    Stream stream = nonZeroStream(arrivals);
    for (const Emitted& e : emitted) {
        std::size_t fed = stream.before[e.index];
        if (e.byExpiry) {
            check(e.key == KEY_ESCAPE, "an expiry yields nothing but Esc");
            check(escapeFromExpiry(stream, fed, e.at),
                  "Esc on expiry only for a lone ESC that waited");
            continue;
        }
        check(arrivals.bytes[e.index] != 0, "a zero byte yields no key");
        if (e.key == KEY_ESCAPE)
            check(false, "Esc comes only from an expiry");
        else if (e.key == KEY_ENTER)
            check(encodesEnter(stream.arrived, fed), "Enter only from CR or SS3 M");
        else if (e.key == KEY_UP)
            check(encodesArrow(stream.arrived, fed, 'A', 'a'), "Up only from an up-arrow sequence");
        else if (e.key == KEY_DOWN)
            check(encodesArrow(stream.arrived, fed, 'B', 'b'),
                  "Down only from a down-arrow sequence");
    }
    // And the other way round: an ESC that nothing follows within the delay is
    // Esc, unless it ends an Alt prefix; inside a paste every byte is dropped.
    const std::vector<Arrived>& arrived = stream.arrived;
    std::string fed;
    for (const Arrived& a : arrived)
        fed.push_back(static_cast<char>(a.byte));
    if (fed.find("[200~") != std::string::npos)
        return;
    for (std::size_t q = 0; q < arrived.size(); ++q) {
        bool alone =
            q + 1 == arrived.size() || arrived[q + 1].at - arrived[q].at >= ESCAPE_DELAY_MS;
        if (arrived[q].byte == ESC && alone && !altPrefixed(arrived, q))
            check(arrived[q].escapeUsed, "a lone ESC that waited the delay gives Esc");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Arrivals arrivals = readArrivals(data, size);
    const std::vector<Emitted> emitted = decodeTraced(arrivals);
    checkKeyOrigins(arrivals, emitted);

    std::vector<KeyCode> traced;
    for (const Emitted& e : emitted)
        traced.push_back(e.key);
    check(decodePieces(arrivals, [&](std::size_t n) { return arrivals.pieces[n].at; }) == traced,
          "whole pieces decode as byte by byte at the same times");

    // The same split, every piece a millisecond after the last but all within the delay.
    auto withinDelay = [](std::size_t n) {
        return static_cast<std::int64_t>(std::min<std::size_t>(n, ESCAPE_DELAY_MS - 1));
    };
    check(decodePieces(arrivals, withinDelay) == decodeAtOnce(arrivals),
          "a split within the escape delay decodes as the bytes at once");
    return 0;
}
