#include "platform/win32/Win32Shell.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace platform::win32 {

std::intptr_t Win32Shell::Open(std::intptr_t ownerWindow, const std::string& path) {
    HINSTANCE result = ::ShellExecuteA(reinterpret_cast<HWND>(ownerWindow), "open", path.c_str(), "0", "0",
                                       SW_SHOWNORMAL);
    return reinterpret_cast<std::intptr_t>(result);
}

bool Win32Shell::Run(const std::string& commandLine) {
    // CreateProcessA may write into the command line it is given.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

}  // namespace platform::win32
