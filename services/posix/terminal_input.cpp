// Keys on a POSIX terminal: standard input read without blocking and its
// bytes decoded; input that is not a terminal is decoded the same way.

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "services/host/host.h"
#include "services/posix/terminal.h"

namespace {

// Reads what standard input holds now, without blocking; false when nothing.
bool readWaitingBytes(TerminalHost& host, std::vector<char>& bytes) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (host.inputEnded || poll(&input, 1, 0) <= 0)
        return false;
    char buffer[256];
    const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN))
        return false;
    if (got <= 0) {
        // End of input, or a terminal that went away.
        host.inputEnded = true;
        return false;
    }
    bytes.assign(buffer, buffer + got);
    return true;
}

} // namespace

void hostPumpInput(std::vector<KeyCode>& keys) {
    TerminalHost& host = terminalHost();
    std::vector<char> bytes;
    while (readWaitingBytes(host, bytes))
        feedTerminalBytes(host.decoder, bytes.data(), bytes.size(), hostMonotonicMs(), keys);
    expireTerminalInput(host.decoder, host.inputEnded ? INT64_MAX : hostMonotonicMs(), keys);
}

void hostWaitForInput(int milliseconds) {
    const TerminalHost& host = terminalHost();
    if (host.inputEnded) {
        hostSleepMs(milliseconds);
        return;
    }
    pollfd input{STDIN_FILENO, POLLIN, 0};
    poll(&input, 1, terminalInputWaitMs(host.decoder, hostMonotonicMs(), milliseconds));
    // A resize or a return from suspension ends the poll: repaint at once
    // rather than at the next key.
    if (terminalChangePending())
        surfacePresent();
}

bool hostInputEnded() {
    const TerminalHost& host = terminalHost();
    return host.inputEnded && host.decoder.pending.empty();
}
