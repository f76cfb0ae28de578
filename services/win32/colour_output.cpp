// Standard output for the preview's colours on Windows: a console is switched
// to virtual-terminal processing and the UTF-8 code page for the time of the
// preview, and given back its own mode and code page after it.

#include <windows.h>

#include "services/host/host.h"

namespace {

// What the switch changed, to be put back.
struct SwitchedConsole {
    bool switched = false;
    HANDLE output = INVALID_HANDLE_VALUE;
    DWORD mode = 0;
    UINT codePage = 0;
};

SwitchedConsole switchedConsole;

HANDLE standardOutput() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    return output == nullptr ? INVALID_HANDLE_VALUE : output;
}

} // namespace

int hostOutputColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(standardOutput(), &info))
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

bool hostLocaleIsUtf8() {
    return true;
}

bool hostBeginColourOutput() {
    if (switchedConsole.switched)
        return true;
    const HANDLE output = standardOutput();
    DWORD mode = 0;
    if (!GetConsoleMode(output, &mode))
        return true;
    const DWORD colourMode = mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING;
    // A console from before virtual-terminal processing refuses the mode,
    // or keeps the flag off.
    DWORD taken = 0;
    if (!SetConsoleMode(output, colourMode) || !GetConsoleMode(output, &taken) ||
        (taken & ENABLE_VIRTUAL_TERMINAL_PROCESSING) == 0) {
        SetConsoleMode(output, mode);
        return false;
    }
    switchedConsole = {true, output, mode, GetConsoleOutputCP()};
    SetConsoleOutputCP(CP_UTF8);
    return true;
}

void hostEndColourOutput() {
    if (!switchedConsole.switched)
        return;
    SetConsoleMode(switchedConsole.output, switchedConsole.mode);
    if (switchedConsole.codePage != 0)
        SetConsoleOutputCP(switchedConsole.codePage);
    switchedConsole = {};
}
