#include "platform/win32/Win32Machine.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace platform::win32 {

std::string Win32Machine::ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &length) ? Utf8(name, length) : std::string();
}

std::string Win32Machine::UserName() {
    wchar_t name[257] = {};  // UNLEN + 1
    DWORD length = 257;
    return GetUserNameW(name, &length) ? Utf8(name) : std::string();
}

std::int64_t Win32Machine::UtcNow() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    // Tenths of microseconds since 1601, as seconds since 1970.
    const std::int64_t ticks = std::int64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    return (ticks - 116444736000000000LL) / 10000000;
}

}  // namespace platform::win32
