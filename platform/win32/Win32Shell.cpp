#include "platform/win32/Win32Shell.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/WideText.h"

namespace platform::win32 {

std::intptr_t Win32Shell::Open(std::intptr_t ownerWindow, const std::string& path) {
    HINSTANCE result = ::ShellExecuteW(reinterpret_cast<HWND>(ownerWindow), L"open", Wide(path).c_str(), L"0", L"0",
                                       SW_SHOWNORMAL);
    return reinterpret_cast<std::intptr_t>(result);
}

bool Win32Shell::Run(const std::string& commandLine) {
    // CreateProcessW may write into the command line it is given.
    std::wstring line = Wide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

}  // namespace platform::win32
