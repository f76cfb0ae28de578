// The screen on a POSIX terminal: the surface is a ScreenModel, and the
// presenter brings the terminal up to date with it at every flush; output
// that is not a terminal receives the printed bytes unchanged.

#include <sys/ioctl.h>
#include <unistd.h>
#include <wchar.h>

#include "services/host/host.h"
#include "services/host/model_surface.h"
#include "services/posix/terminal.h"

namespace {

constexpr std::size_t PASS_THROUGH_BUFFER_SIZE = 65536;

// After a resize or a suspension the terminal shows what it will: it is
// asked its size and repainted whole.
void noteTerminalChange(TerminalHost& host) {
    if (!takeTerminalChange())
        return;
    readTerminalSize(host.presenter.terminalWidth, host.presenter.terminalHeight);
    forgetTerminal(host.presenter);
}

} // namespace

void readTerminalSize(int& columns, int& rows) {
    winsize size{};
    columns = SCREEN_COLUMNS;
    rows = SCREEN_ROWS;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        columns = size.ws_col;
        rows = size.ws_row;
    }
}

bool surfaceIsConsole() {
    return terminalHost().outputIsTerminal;
}

bool surfaceShowsUtf8() {
    return terminalHost().presenter.utf8;
}

// The cells the terminal gives a character, as the C library of the user's
// locale says.
int surfaceCharacterWidth(char32_t code) {
    if (code > static_cast<char32_t>(WCHAR_MAX))
        return -1;
    return wcwidth(static_cast<wchar_t>(code));
}

bool surfacePassThrough(const char* bytes, std::size_t count) {
    std::string& waiting = terminalHost().passedThrough;
    waiting.append(bytes, count);
    if (waiting.size() < PASS_THROUGH_BUFFER_SIZE)
        return true;
    const bool written = writeAll(STDOUT_FILENO, waiting.data(), waiting.size());
    waiting.clear();
    return written;
}

void surfaceBeep() {
    ++terminalHost().bells;
}

// A change of size not yet presented is presented first: the notice stands
// or goes with the terminal's size of now.
bool surfaceShowsScreen() {
    const TerminalHost& host = terminalHost();
    if (!host.outputIsTerminal)
        return true;
    if (terminalChangePending())
        surfacePresent();
    return !terminalTooSmall(host.presenter, surfaceModel());
}

void surfacePresent() {
    TerminalHost& host = terminalHost();
    if (!host.started)
        return;
    if (!host.outputIsTerminal) {
        writeAll(STDOUT_FILENO, host.passedThrough.data(), host.passedThrough.size());
        host.passedThrough.clear();
        return;
    }
    noteTerminalChange(host);
    std::string out;
    present(host.presenter, surfaceModel(), out);
    for (; host.bells > 0; --host.bells)
        out += '\a';
    if (out.empty())
        return;
    noteScreenSent(host.presenter.cursorKnown && host.presenter.cursorColumn == 1);
    writeAll(STDOUT_FILENO, out.data(), out.size());
}
