// The screen and the keyboard on the Windows console: the surface is the
// console's own screen buffer, and keys come from its input events. Input
// that is not a console (a pipe or a file) is read as bytes and decoded like
// terminal input, so that scripts of keys work here too.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#include "services/files.h"
#include "services/host.h"
#include "services/keyboard.h"
#include "services/terminal_keys.h"
#include "services/win32/console_keys.h"

static_assert(CONSOLE_RIGHT_ALT_PRESSED == RIGHT_ALT_PRESSED && CONSOLE_LEFT_ALT_PRESSED == LEFT_ALT_PRESSED &&
              CONSOLE_RIGHT_CTRL_PRESSED == RIGHT_CTRL_PRESSED && CONSOLE_LEFT_CTRL_PRESSED == LEFT_CTRL_PRESSED &&
              CONSOLE_SHIFT_PRESSED == SHIFT_PRESSED && CONSOLE_ENHANCED_KEY == ENHANCED_KEY &&
              CONSOLE_VK_NUMPAD0 == VK_NUMPAD0 && CONSOLE_VK_NUMPAD9 == VK_NUMPAD9);

namespace {

constexpr int FALLBACK_WIDTH = 80;
constexpr int FALLBACK_HEIGHT = 25;
constexpr std::uint8_t FALLBACK_ATTRIBUTE = 7;
constexpr DWORD BEEP_HERTZ = 1000;
constexpr DWORD BEEP_MS = 250;
constexpr int PIPE_POLL_MS = 10;

struct ConsoleHost {
    bool started = false;
    HANDLE input = INVALID_HANDLE_VALUE;
    HANDLE output = INVALID_HANDLE_VALUE;
    bool inputIsConsole = false;
    bool inputEnded = false;
    TerminalKeyDecoder decoder; // for input that is not a console
    HANDLE closeEvent = nullptr;
};

ConsoleHost host;
// Close notifications not yet queued: the handler runs on a thread of its
// own, so it only counts them and wakes the waiting thread.
std::atomic<int> pendingCloses{0};

void start() {
    if (host.started)
        return;
    host.started = true;
    host.input = GetStdHandle(STD_INPUT_HANDLE);
    host.output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    host.inputIsConsole = GetConsoleMode(host.input, &mode) != 0;
    if (host.inputIsConsole)
        SetConsoleMode(host.input, mode | ENABLE_PROCESSED_INPUT);
    host.closeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

bool bufferInfo(CONSOLE_SCREEN_BUFFER_INFO& info) {
    start();
    return GetConsoleScreenBufferInfo(host.output, &info) != 0;
}

// The buffer row of a window row (1 at the top of the window).
SHORT bufferRow(const CONSOLE_SCREEN_BUFFER_INFO& info, int row) {
    return static_cast<SHORT>(info.srWindow.Top + row - 1);
}

BOOL WINAPI onConsoleControl(DWORD kind) {
    switch (kind) {
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        ++pendingCloses;
        SetEvent(host.closeEvent);
        return TRUE;
    default:
        // Ctrl+C and Ctrl+Break end the process by the default action; an
        // unfinished data file must not stay behind.
        removeUnfinishedFiles();
        return FALSE;
    }
}

void removeControlHandler() { SetConsoleCtrlHandler(onConsoleControl, FALSE); }

void installControlHandler(KeyboardState& keyboard) {
    if (keyboard.closeHandlerInstalled)
        return;
    keyboard.closeHandlerInstalled = SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
    if (keyboard.closeHandlerInstalled)
        std::atexit(removeControlHandler);
}

ConsoleKeyEvent keyEventOf(const KEY_EVENT_RECORD& record) {
    ConsoleKeyEvent event;
    event.keyDown = record.bKeyDown != 0;
    event.repeatCount = record.wRepeatCount;
    event.virtualKeyCode = record.wVirtualKeyCode;
    event.virtualScanCode = record.wVirtualScanCode;
    event.character = static_cast<std::uint8_t>(record.uChar.AsciiChar);
    event.controlKeyState = record.dwControlKeyState;
    event.unshifted = static_cast<std::uint16_t>(MapVirtualKeyA(record.wVirtualKeyCode, MAPVK_VK_TO_CHAR) & 0xFFFF);
    // Wine's console reports Esc without the character 27 that Windows gives it.
    if (event.virtualKeyCode == VK_ESCAPE && event.character == 0)
        event.character = 27;
    return event;
}

void pumpConsoleEvents(KeyboardState& keyboard) {
    std::vector<KeyCode> keys;
    for (;;) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (!PeekConsoleInputA(host.input, &record, 1, &count) || count == 0)
            break;
        if (!ReadConsoleInputA(host.input, &record, 1, &count) || count == 0)
            break;
        if (record.EventType != KEY_EVENT)
            continue;
        keys.clear();
        handleConsoleKeyEvent(keyboard, keyEventOf(record.Event.KeyEvent), keys);
        for (KeyCode key : keys)
            enqueueKey(keyboard, key);
    }
}

// Bytes waiting in a pipe, or the rest of a file; marks the end of input.
void pumpInputBytes(KeyboardState& keyboard) {
    std::vector<KeyCode> keys;
    const bool isPipe = GetFileType(host.input) == FILE_TYPE_PIPE;
    while (!host.inputEnded) {
        DWORD available = 0;
        if (isPipe && !PeekNamedPipe(host.input, nullptr, 0, nullptr, &available, nullptr)) {
            host.inputEnded = true; // the writer has gone
            break;
        }
        if (isPipe && available == 0)
            break;
        char buffer[256];
        DWORD got = 0;
        const DWORD wanted = isPipe ? std::min<DWORD>(available, sizeof buffer) : sizeof buffer;
        if (!ReadFile(host.input, buffer, wanted, &got, nullptr) || got == 0) {
            host.inputEnded = true;
            break;
        }
        feedTerminalBytes(host.decoder, buffer, got, hostMonotonicMs(), keys);
    }
    expireTerminalInput(host.decoder, host.inputEnded ? INT64_MAX : hostMonotonicMs(), keys);
    for (KeyCode key : keys)
        enqueueKey(keyboard, key);
}

} // namespace

bool surfaceIsConsole() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    return bufferInfo(info);
}

int surfaceWidth() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    return bufferInfo(info) ? info.dwSize.X : FALLBACK_WIDTH;
}

int surfaceHeight() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    return bufferInfo(info) ? info.srWindow.Bottom - info.srWindow.Top + 1 : FALLBACK_HEIGHT;
}

bool surfaceCursor(int& row, int& column, std::uint8_t& attribute) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!bufferInfo(info)) {
        attribute = FALLBACK_ATTRIBUTE;
        return false;
    }
    row = info.dwCursorPosition.Y - info.srWindow.Top + 1;
    column = info.dwCursorPosition.X + 1;
    attribute = static_cast<std::uint8_t>(info.wAttributes & 0xFF);
    return true;
}

void surfaceSetAttribute(std::uint8_t attribute) {
    start();
    SetConsoleTextAttribute(host.output, attribute);
}

void surfacePutRun(int row, int column, const char* bytes, std::size_t count, std::uint8_t attribute) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (count == 0 || !bufferInfo(info))
        return;
    std::vector<CHAR_INFO> cells(count);
    for (std::size_t i = 0; i < count; ++i) {
        // A zero byte is a blank cell; some consoles show it as "?" instead.
        cells[i].Char.AsciiChar = bytes[i] == '\0' ? ' ' : bytes[i];
        cells[i].Attributes = attribute;
    }
    const SHORT y = bufferRow(info, row);
    const auto x = static_cast<SHORT>(column - 1);
    SMALL_RECT target{x, y, static_cast<SHORT>(x + static_cast<SHORT>(count) - 1), y};
    WriteConsoleOutputA(host.output, cells.data(), COORD{static_cast<SHORT>(count), 1}, COORD{0, 0}, &target);
}

void surfaceFillRow(int row, std::uint8_t attribute) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!bufferInfo(info))
        return;
    const COORD origin{0, bufferRow(info, row)};
    const auto width = static_cast<DWORD>(info.dwSize.X);
    DWORD written = 0;
    FillConsoleOutputCharacterA(host.output, ' ', width, origin, &written);
    FillConsoleOutputAttribute(host.output, attribute, width, origin, &written);
}

void surfaceScrollUp(int rows, std::uint8_t attribute) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (rows <= 0 || !bufferInfo(info))
        return;
    // Rows of the buffer below the window come into view first.
    const int below = info.dwSize.Y - 1 - info.srWindow.Bottom;
    const int slide = std::min(rows, std::max(below, 0));
    if (slide > 0) {
        SMALL_RECT window = info.srWindow;
        window.Top = static_cast<SHORT>(window.Top + slide);
        window.Bottom = static_cast<SHORT>(window.Bottom + slide);
        SetConsoleWindowInfo(host.output, TRUE, &window);
    }
    const int rest = rows - slide;
    if (rest <= 0)
        return;
    const SMALL_RECT whole{0, 0, static_cast<SHORT>(info.dwSize.X - 1), static_cast<SHORT>(info.dwSize.Y - 1)};
    CHAR_INFO fill;
    fill.Char.AsciiChar = ' ';
    fill.Attributes = attribute;
    ScrollConsoleScreenBufferA(host.output, &whole, nullptr, COORD{0, static_cast<SHORT>(-rest)}, &fill);
}

void surfacePlaceCursor(int row, int column) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!bufferInfo(info))
        return;
    SetConsoleCursorPosition(host.output, COORD{static_cast<SHORT>(column - 1), bufferRow(info, row)});
}

bool surfacePassThrough(const char* bytes, std::size_t count) {
    start();
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(host.output, bytes, static_cast<DWORD>(count), &written, nullptr) || written == 0)
            return false;
        bytes += written;
        count -= written;
    }
    return true;
}

void surfaceBeep() { Beep(BEEP_HERTZ, BEEP_MS); }

// The console shows every change as it is made.
void surfacePresent() {}

void hostStartConsole() { start(); }

void hostPumpInput(KeyboardState& keyboard) {
    start();
    installControlHandler(keyboard);
    if (host.inputIsConsole)
        pumpConsoleEvents(keyboard);
    else
        pumpInputBytes(keyboard);
    for (int closes = pendingCloses.exchange(0); closes > 0; --closes)
        enqueueKey(keyboard, KEY_CLOSE);
}

void hostWaitForInput(int milliseconds) {
    start();
    if (!host.inputIsConsole) {
        // A pipe cannot be waited on: look again in short steps.
        const std::int64_t deadline = terminalInputDeadline(host.decoder);
        int step = std::min(milliseconds, PIPE_POLL_MS);
        if (deadline >= 0)
            step = static_cast<int>(std::clamp<std::int64_t>(deadline - hostMonotonicMs(), 0, step));
        Sleep(static_cast<DWORD>(step));
        return;
    }
    const HANDLE handles[] = {host.input, host.closeEvent};
    WaitForMultipleObjects(2, handles, FALSE, static_cast<DWORD>(std::max(milliseconds, 0)));
}

bool hostInputEnded() {
    start();
    return !host.inputIsConsole && host.inputEnded && host.decoder.pending.empty();
}

std::int64_t hostMonotonicMs() { return static_cast<std::int64_t>(GetTickCount64()); }

void hostSleepMs(int milliseconds) {
    if (milliseconds > 0)
        Sleep(static_cast<DWORD>(milliseconds));
}
