// The terminal's modes and signals: set up at the start, given back at every
// way out, the screen left standing with later text in the terminal's own
// colours. A signal that ends the process first does the same and removes an
// unfinished data file; a suspension gives the terminal back until the
// program continues, then repaints.

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include <cerrno>

#include "services/host/host.h"
#include "services/host/model_surface.h"
#include "services/posix/terminal.h"

namespace {

TerminalHost host;
// Raised by signal handlers: read by the handlers and by the next present.
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

// Sets a signal's handler; heldOff, unless 0, waits while the handler runs.
void setHandler(int signal, void (*handler)(int), int flags, int heldOff = 0) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    if (heldOff != 0)
        sigaddset(&action.sa_mask, heldOff);
    sigaction(signal, &action, nullptr);
}

// A handler that gives the terminal back does so even when the shell has
// taken the terminal already (it may, once another process of the job has
// stopped): SIGTTOU, held off meanwhile, would stop it half done.
void setLeavingHandler(int signal, void (*handler)(int), int flags) {
    setHandler(signal, handler, flags, SIGTTOU);
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
    setLeavingHandler(SIGTSTP, onStop, SA_RESTART);
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
        setLeavingHandler(signal, onEndingSignal, SA_RESETHAND | SA_ONSTACK);
#ifdef SIGRTMIN
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        setLeavingHandler(signal, onEndingSignal, SA_RESETHAND | SA_ONSTACK);
#endif
    setHandler(SIGPIPE, SIG_IGN, 0);
    // A file grown past the size limit fails its write, which the program
    // reports, instead of ending the process with its temporary file left.
    setHandler(SIGXFSZ, SIG_IGN, 0);
    if (host.inputIsTerminal) {
        setLeavingHandler(SIGTSTP, onStop, SA_RESTART);
        setHandler(SIGCONT, onContinue, SA_RESTART);
    }
    setHandler(SIGWINCH, onResize, SA_RESTART);
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
    // Output that is not a terminal takes the bytes alone, and no cells.
    if (host.outputIsTerminal) {
        surfaceModel() = makeScreenModel(SCREEN_COLUMNS, SCREEN_ROWS);
        readTerminalSize(host.presenter.terminalWidth, host.presenter.terminalHeight);
    }
    host.presenter.utf8 = hostLocaleIsUtf8();
    if (host.inputIsTerminal && tcgetattr(STDIN_FILENO, &host.savedModes) == 0) {
        modesSaved = 1;
        enterKeyMode();
    }
    installSignals();
    std::atexit(finish);
    return true;
}

} // namespace

TerminalHost& terminalHost() {
    return host;
}

bool terminalChangePending() {
    return terminalChanged != 0;
}

bool takeTerminalChange() {
    if (!terminalChanged)
        return false;
    terminalChanged = 0;
    return true;
}

void noteScreenSent(bool atLineStart) {
    cursorAtLineStart = atLineStart ? 1 : 0;
    screenDrawn = 1;
}

bool hostStartConsole() {
    return start();
}

void hostProtectUnfinishedFiles() {
    if (!host.started)
        installSignals();
}
