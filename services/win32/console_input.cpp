// Keys on the Windows console: its input events, or the bytes of input that
// is not a console (a pipe or a file), decoded like terminal input so that
// scripts of keys work here too. A pipe that cannot say how many bytes wait
// (a Unix pipe under Wine) is read by a thread of its own, so that taking
// keys never blocks.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "services/host/console_keys.h"
#include "services/host/host.h"
#include "services/host/terminal_keys.h"
#include "services/win32/console_host.h"

static_assert(CONSOLE_RIGHT_ALT_PRESSED == RIGHT_ALT_PRESSED &&
              CONSOLE_LEFT_ALT_PRESSED == LEFT_ALT_PRESSED &&
              CONSOLE_RIGHT_CTRL_PRESSED == RIGHT_CTRL_PRESSED &&
              CONSOLE_LEFT_CTRL_PRESSED == LEFT_CTRL_PRESSED &&
              CONSOLE_SHIFT_PRESSED == SHIFT_PRESSED && CONSOLE_ENHANCED_KEY == ENHANCED_KEY &&
              CONSOLE_VK_NUMPAD0 == VK_NUMPAD0 && CONSOLE_VK_NUMPAD9 == VK_NUMPAD9);

namespace {

constexpr int PIPE_POLL_MS = 10;
constexpr DWORD READ_SIZE = 256;

enum class InputKind { Console, Pipe, File, Stream };

// What the reader thread of a stream has read and the main thread not yet taken.
struct StreamHandOver {
    CRITICAL_SECTION lock;
    HANDLE arrived = nullptr; // set whenever bytes or the end arrive
    std::string bytes;
    bool ended = false;
};

struct ConsoleInput {
    bool started = false;
    HANDLE input = INVALID_HANDLE_VALUE;
    InputKind kind = InputKind::File;
    bool inputEnded = false;
    TerminalKeyDecoder decoder; // for input that is not a console
    ConsoleKeyState keys;       // for the console's key events
    // Made when a pipe turns out to be a stream; it lives as long as the
    // process, and so does the thread that fills it.
    StreamHandOver* stream = nullptr;
};

ConsoleInput input;

ConsoleKeyEvent keyEventOf(const KEY_EVENT_RECORD& record) {
    ConsoleKeyEvent event;
    event.keyDown = record.bKeyDown != 0;
    event.repeatCount = record.wRepeatCount;
    event.virtualKeyCode = record.wVirtualKeyCode;
    event.virtualScanCode = record.wVirtualScanCode;
    event.character = static_cast<std::uint8_t>(record.uChar.AsciiChar);
    event.controlKeyState = record.dwControlKeyState;
    event.unshifted = static_cast<std::uint16_t>(
        MapVirtualKeyA(record.wVirtualKeyCode, MAPVK_VK_TO_CHAR) & 0xFFFF);
    // Wine's console reports Esc without the character 27 that Windows gives it.
    if (event.virtualKeyCode == VK_ESCAPE && event.character == 0)
        event.character = 27;
    return event;
}

void pumpConsoleEvents(std::vector<KeyCode>& keys) {
    for (;;) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (!PeekConsoleInputA(input.input, &record, 1, &count) || count == 0)
            break;
        if (!ReadConsoleInputA(input.input, &record, 1, &count) || count == 0)
            break;
        if (record.EventType != KEY_EVENT)
            continue;
        handleConsoleKeyEvent(input.keys, keyEventOf(record.Event.KeyEvent), keys);
    }
}

// Reads a stream into the hand-over until it ends.
DWORD WINAPI readStream(void* parameter) {
    StreamHandOver& stream = *static_cast<StreamHandOver*>(parameter);
    const HANDLE source = input.input;
    char buffer[READ_SIZE];
    for (;;) {
        DWORD got = 0;
        const bool read = ReadFile(source, buffer, READ_SIZE, &got, nullptr) && got > 0;
        EnterCriticalSection(&stream.lock);
        if (read)
            stream.bytes.append(buffer, got);
        else
            stream.ended = true;
        LeaveCriticalSection(&stream.lock);
        SetEvent(stream.arrived);
        if (!read)
            return 0;
    }
}

// Reads the input as a stream from now on: by a thread, or, when no thread can
// be made, by reads that wait for their bytes.
void startStreamReader() {
    auto* stream = new StreamHandOver;
    InitializeCriticalSection(&stream->lock);
    stream->arrived = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const HANDLE thread = stream->arrived == nullptr
                              ? nullptr
                              : CreateThread(nullptr, 0, readStream, stream, 0, nullptr);
    if (thread == nullptr) {
        input.kind = InputKind::File;
        return;
    }
    CloseHandle(thread);
    input.stream = stream;
    input.kind = InputKind::Stream;
}

// The bytes waiting in a pipe; a pipe that cannot tell becomes a stream.
void readPipe(std::vector<KeyCode>& keys) {
    while (!input.inputEnded) {
        DWORD available = 0;
        if (!PeekNamedPipe(input.input, nullptr, 0, nullptr, &available, nullptr)) {
            if (GetLastError() == ERROR_BROKEN_PIPE)
                input.inputEnded = true; // the writer has gone and nothing is left
            else
                startStreamReader();
            return;
        }
        if (available == 0)
            return;
        char buffer[READ_SIZE];
        DWORD got = 0;
        if (!ReadFile(input.input, buffer, std::min(available, READ_SIZE), &got, nullptr) ||
            got == 0) {
            input.inputEnded = true;
            return;
        }
        feedTerminalBytes(input.decoder, buffer, got, hostMonotonicMs(), keys);
    }
}

// The rest of a file.
void readFile(std::vector<KeyCode>& keys) {
    while (!input.inputEnded) {
        char buffer[READ_SIZE];
        DWORD got = 0;
        if (!ReadFile(input.input, buffer, READ_SIZE, &got, nullptr) || got == 0) {
            input.inputEnded = true;
            return;
        }
        feedTerminalBytes(input.decoder, buffer, got, hostMonotonicMs(), keys);
    }
}

// What the reader thread has handed over so far.
void takeStreamBytes(std::vector<KeyCode>& keys) {
    StreamHandOver& stream = *input.stream;
    std::string bytes;
    EnterCriticalSection(&stream.lock);
    bytes.swap(stream.bytes);
    const bool ended = stream.ended;
    LeaveCriticalSection(&stream.lock);
    if (!bytes.empty())
        feedTerminalBytes(input.decoder, bytes.data(), bytes.size(), hostMonotonicMs(), keys);
    if (ended)
        input.inputEnded = true;
}

void pumpInputBytes(std::vector<KeyCode>& keys) {
    if (input.kind == InputKind::Pipe)
        readPipe(keys);
    if (input.kind == InputKind::Stream)
        takeStreamBytes(keys);
    else if (input.kind == InputKind::File)
        readFile(keys);
    expireTerminalInput(input.decoder, input.inputEnded ? INT64_MAX : hostMonotonicMs(), keys);
}

// How long a wait for bytes may last: no longer than the decoder may hold a lone Esc.
DWORD byteWaitMs(int milliseconds) {
    return static_cast<DWORD>(terminalInputWaitMs(input.decoder, hostMonotonicMs(), milliseconds));
}

// Waits until the handle is signalled or the time is up.
void waitForHandle(HANDLE handle, DWORD milliseconds) {
    WaitForSingleObject(handle, milliseconds);
}

} // namespace

void startConsoleInput() {
    if (input.started)
        return;
    input.started = true;
    input.input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(input.input, &mode)) {
        input.kind = InputKind::Console;
        SetConsoleMode(input.input, mode | ENABLE_PROCESSED_INPUT);
    } else {
        input.kind = GetFileType(input.input) == FILE_TYPE_PIPE ? InputKind::Pipe : InputKind::File;
    }
}

void hostPumpInput(std::vector<KeyCode>& keys) {
    startConsoleInput();
    if (input.kind == InputKind::Console)
        pumpConsoleEvents(keys);
    else
        pumpInputBytes(keys);
}

void hostWaitForInput(int milliseconds) {
    startConsoleInput();
    switch (input.kind) {
    case InputKind::Console:
        waitForHandle(input.input, static_cast<DWORD>(std::max(milliseconds, 0)));
        return;
    case InputKind::Stream:
        waitForHandle(input.stream->arrived, byteWaitMs(milliseconds));
        return;
    case InputKind::Pipe:
    case InputKind::File:
        // Neither can be waited on: look again in short steps.
        Sleep(byteWaitMs(std::min(milliseconds, PIPE_POLL_MS)));
        return;
    }
}

bool hostInputEnded() {
    startConsoleInput();
    return input.kind != InputKind::Console && input.inputEnded && input.decoder.pending.empty();
}
