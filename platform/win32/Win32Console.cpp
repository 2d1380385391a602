#include "platform/win32/Win32Console.h"

#include <windows.h>

#include <atomic>

#include "platform/win32/WideText.h"

namespace platform::win32 {
namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

bool Write(DWORD which, const std::string& text) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    if (IsConsole(handle)) {
        const std::wstring wide = Wide(text);
        for (std::size_t from = 0; from < wide.size();) {
            DWORD written = 0;
            DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - from, 16384));
            // A character of two units is written whole.
            if (chunk > 1 && from + chunk < wide.size() && IS_HIGH_SURROGATE(wide[from + chunk - 1])) --chunk;
            if (!WriteConsoleW(handle, wide.data() + from, chunk, &written, nullptr) || written == 0) return false;
            from += written;
        }
        return true;
    }
    for (std::size_t from = 0; from < text.size();) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - from, 1 << 20));
        if (!WriteFile(handle, text.data() + from, chunk, &written, nullptr) || written == 0) return false;
        from += written;
    }
    return true;
}

// The console's events come on a thread of their own. When the program
// returns from the handler of a close, logoff or shutdown, the system ends
// it: the handler waits instead, until the program has ended by itself (or
// the system's time is up).
std::atomic<bool> held{false}, requested{false};

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (!held) return FALSE;  // as the system handles it: the program ends
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        requested = true;
        Sleep(INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

Win32Console::Win32Console() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

void Win32Console::HoldEnd(bool on) { held = on; }
bool Win32Console::EndRequested() { return requested; }

bool Win32Console::Out(const std::string& text) { return Write(STD_OUTPUT_HANDLE, text); }
bool Win32Console::Err(const std::string& text) { return Write(STD_ERROR_HANDLE, text); }
bool Win32Console::ErrIsConsole() { return IsConsole(GetStdHandle(STD_ERROR_HANDLE)); }

}  // namespace platform::win32
