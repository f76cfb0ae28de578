// The screen surface and the keyboard on a POSIX terminal: the screen lives in
// a ScreenModel that the presenter copies to the terminal at every flush; keys
// are read from standard input in non-canonical mode and decoded from bytes.

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>
#include <wchar.h>

#include "services/host.h"
#include "services/model_surface.h"
#include "services/posix/presenter.h"
#include "services/screen_model.h"
#include "services/terminal_keys.h"

namespace {

struct TerminalHost {
    bool started = false;
    bool outputIsTerminal = false;
    ScreenModel screen;
    Presenter presenter;
    int bells = 0;
    // Bytes for an output that is not a terminal, written at the next present.
    std::string passedThrough;
    bool inputIsTerminal = false;
    bool inputEnded = false;
    termios savedModes{};
    TerminalKeyDecoder decoder;
};

constexpr std::size_t PASS_THROUGH_BUFFER_SIZE = 65536;

TerminalHost host;
// Raised by signal handlers, acted on by the next flush.
volatile std::sig_atomic_t terminalChanged = 0;
volatile std::sig_atomic_t modesSaved = 0;
volatile std::sig_atomic_t pasteMarked = 0;
// The screen was sent to the terminal, in its colours, and whether the
// terminal's cursor was last known to stand in column 1.
volatile std::sig_atomic_t screenDrawn = 0;
volatile std::sig_atomic_t cursorAtLineStart = 1;

// Pasted text comes between marks, so that it can be told from typing.
constexpr char PASTE_MARKS_ON[] = "\x1b[?2004h";
constexpr char PASTE_MARKS_OFF[] = "\x1b[?2004l";

// Signals whose default action ends the process. SIGPIPE and SIGXFSZ are
// ignored instead: the write that raises them fails, and that is reported.
constexpr int ENDING_SIGNALS[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP,   SIGABRT, SIGBUS,  SIGFPE, SIGUSR1,
    SIGSEGV,   SIGUSR2, SIGALRM, SIGTERM, SIGVTALRM, SIGPROF, SIGXCPU, SIGSYS,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#if defined(SIGPOLL) && defined(__linux__)
    SIGPOLL,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGEMT
    SIGEMT,
#endif
#ifdef SIGLOST
    SIGLOST,
#endif
};

// Room to run the handler when the stack itself has overflowed.
alignas(16) char signalStack[64 * 1024];

// Writes all bytes unless a write fails; async-signal-safe.
bool writeAll(int fd, const char* bytes, std::size_t count) {
    while (count > 0) {
        ssize_t written = write(fd, bytes, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

// Leaves the screen as it stands, cells, colours and cursor, and gives what
// is written next the terminal's own colours on a line of its own; async-signal-safe.
void leaveScreen() {
    if (!screenDrawn)
        return;
    constexpr char OWN_COLOURS[] = "\x1b[0m";
    writeAll(STDOUT_FILENO, OWN_COLOURS, sizeof OWN_COLOURS - 1);
    if (!cursorAtLineStart)
        writeAll(STDOUT_FILENO, "\r\n", 2);
    screenDrawn = 0;
    cursorAtLineStart = 1;
}

// Gives the terminal back as it was; async-signal-safe.
void leaveKeyMode() {
    if (pasteMarked) {
        writeAll(STDOUT_FILENO, PASTE_MARKS_OFF, sizeof PASTE_MARKS_OFF - 1);
        pasteMarked = 0;
    }
    if (modesSaved)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &host.savedModes);
}

void enterKeyMode() {
    termios modes = host.savedModes;
    modes.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | IEXTEN));
    modes.c_lflag |= ISIG;
    modes.c_iflag &= static_cast<tcflag_t>(~(ICRNL | INLCR | IGNCR | IXON));
    modes.c_cc[VMIN] = 1;
    modes.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &modes);
    if (host.outputIsTerminal && writeAll(STDOUT_FILENO, PASTE_MARKS_ON, sizeof PASTE_MARKS_ON - 1))
        pasteMarked = 1;
}

void setHandler(int signal, void (*handler)(int), int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

// Ends the process by the signal's default action once the terminal is left
// usable and no half-written data file is left behind. Only async-signal-safe
// work: it also runs for crashes.
void onEndingSignal(int signal) {
    const int savedErrno = errno;
    leaveScreen();
    leaveKeyMode();
    hostRemoveUnfinishedReplacements();
    // The handler was reset on entry: the signal, raised again or (for a
    // fault) met again on return, takes its default action.
    raise(signal);
    errno = savedErrno;
}

void onStop(int) {
    const int savedErrno = errno;
    leaveScreen();
    leaveKeyMode();
    setHandler(SIGTSTP, SIG_DFL, 0);
    raise(SIGTSTP);
    errno = savedErrno;
}

void onContinue(int) {
    const int savedErrno = errno;
    if (modesSaved)
        enterKeyMode();
    setHandler(SIGTSTP, onStop, SA_RESTART);
    terminalChanged = 1;
    errno = savedErrno;
}

void onResize(int) {
    terminalChanged = 1;
}

void installSignals() {
    stack_t alternate{};
    alternate.ss_sp = signalStack;
    alternate.ss_size = sizeof signalStack;
    sigaltstack(&alternate, nullptr);
    for (int signal : ENDING_SIGNALS)
        setHandler(signal, onEndingSignal, SA_RESETHAND | SA_ONSTACK);
#ifdef SIGRTMIN
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        setHandler(signal, onEndingSignal, SA_RESETHAND | SA_ONSTACK);
#endif
    setHandler(SIGPIPE, SIG_IGN, 0);
    // A file grown past the size limit fails its write, which the program
    // reports, instead of ending the process with its temporary file left.
    setHandler(SIGXFSZ, SIG_IGN, 0);
    if (host.inputIsTerminal) {
        setHandler(SIGTSTP, onStop, SA_RESTART);
        setHandler(SIGCONT, onContinue, SA_RESTART);
    }
    setHandler(SIGWINCH, onResize, SA_RESTART);
}

void readTerminalSize(int& columns, int& rows) {
    winsize size{};
    columns = SCREEN_COLUMNS;
    rows = SCREEN_ROWS;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        columns = size.ws_col;
        rows = size.ws_row;
    }
}

void finish() {
    surfacePresent();
    leaveScreen();
    leaveKeyMode();
}

// A terminal that says it can do nothing but print lines.
bool isDumbTerminal() {
    const char* type = std::getenv("TERM");
    return type != nullptr && std::strcmp(type, "dumb") == 0;
}

bool start() {
    if (host.started)
        return true;
    if (isatty(STDOUT_FILENO) == 1 && isDumbTerminal())
        return false;
    host.started = true;
    host.outputIsTerminal = isatty(STDOUT_FILENO) == 1;
    host.inputIsTerminal = isatty(STDIN_FILENO) == 1;
    // The screen is always laid out whole; a terminal of another size shows
    // it at its top left, or, when too small, a notice until it grows.
    host.screen = makeScreenModel(SCREEN_COLUMNS, SCREEN_ROWS);
    if (host.outputIsTerminal)
        readTerminalSize(host.presenter.terminalWidth, host.presenter.terminalHeight);
    std::setlocale(LC_CTYPE, "");
    host.presenter.utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    if (host.inputIsTerminal && tcgetattr(STDIN_FILENO, &host.savedModes) == 0) {
        modesSaved = 1;
        enterKeyMode();
    }
    installSignals();
    std::atexit(finish);
    return true;
}

void noteTerminalChange() {
    if (!terminalChanged)
        return;
    terminalChanged = 0;
    readTerminalSize(host.presenter.terminalWidth, host.presenter.terminalHeight);
    forgetTerminal(host.presenter);
}

// Reads what standard input holds now, without blocking; false when nothing.
bool readWaitingBytes(std::vector<char>& bytes) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (host.inputEnded || poll(&input, 1, 0) <= 0)
        return false;
    char buffer[256];
    ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
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

bool hostStartConsole() {
    return start();
}

void hostProtectUnfinishedFiles() {
    if (!host.started)
        installSignals();
}

ScreenModel& surfaceModel() {
    return host.screen;
}

bool surfaceIsConsole() {
    return host.outputIsTerminal;
}

bool surfaceShowsUtf8() {
    return host.presenter.utf8;
}

// The cells the terminal gives a character, as the C library of the user's
// locale says.
int surfaceCharacterWidth(char32_t code) {
    if (code > static_cast<char32_t>(WCHAR_MAX))
        return -1;
    return wcwidth(static_cast<wchar_t>(code));
}

bool surfacePassThrough(const char* bytes, std::size_t count) {
    host.passedThrough.append(bytes, count);
    if (host.passedThrough.size() < PASS_THROUGH_BUFFER_SIZE)
        return true;
    const bool written =
        writeAll(STDOUT_FILENO, host.passedThrough.data(), host.passedThrough.size());
    host.passedThrough.clear();
    return written;
}

void surfaceBeep() {
    ++host.bells;
}

// A change of size not yet presented is presented first: the notice stands
// or goes with the terminal's size of now.
bool surfaceShowsScreen() {
    if (!host.outputIsTerminal)
        return true;
    if (terminalChanged)
        surfacePresent();
    return !terminalTooSmall(host.presenter, host.screen);
}

void surfacePresent() {
    if (!host.started)
        return;
    if (!host.outputIsTerminal) {
        writeAll(STDOUT_FILENO, host.passedThrough.data(), host.passedThrough.size());
        host.passedThrough.clear();
        return;
    }
    noteTerminalChange();
    std::string out;
    present(host.presenter, host.screen, out);
    for (; host.bells > 0; --host.bells)
        out += '\a';
    if (out.empty())
        return;
    cursorAtLineStart = host.presenter.cursorKnown && host.presenter.cursorColumn == 1;
    screenDrawn = 1;
    writeAll(STDOUT_FILENO, out.data(), out.size());
}

void hostPumpInput(std::vector<KeyCode>& keys) {
    std::vector<char> bytes;
    while (readWaitingBytes(bytes))
        feedTerminalBytes(host.decoder, bytes.data(), bytes.size(), hostMonotonicMs(), keys);
    expireTerminalInput(host.decoder, host.inputEnded ? INT64_MAX : hostMonotonicMs(), keys);
}

void hostWaitForInput(int milliseconds) {
    if (host.inputEnded) {
        hostSleepMs(milliseconds);
        return;
    }
    pollfd input{STDIN_FILENO, POLLIN, 0};
    poll(&input, 1, terminalInputWaitMs(host.decoder, hostMonotonicMs(), milliseconds));
    // A resize or a return from suspension ends the poll: repaint at once
    // rather than at the next key.
    if (terminalChanged)
        surfacePresent();
}

bool hostInputEnded() {
    return host.inputEnded && host.decoder.pending.empty();
}

std::int64_t hostMonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::tm hostLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    return localtime_r(&now, &local) != nullptr ? local : std::tm{};
}

void hostSleepMs(int milliseconds) {
    if (milliseconds <= 0)
        return;
    timespec rest{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}
