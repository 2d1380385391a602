#include "platform/win32/Win32Environment.h"

#include <windows.h>
#include <userenv.h>

#include <cwchar>
#include <initializer_list>
#include <vector>

#include "platform/win32/WideText.h"

namespace platform::win32 {
namespace {

// A string value of an open key, its variables expanded from `known` when
// it is expandable; false when it is no string.
bool ReadString(HKEY key, const wchar_t* name, const Variables& known, std::string* text) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return false;
    const std::string stored = Utf8(data.data());
    if (type == REG_SZ) *text = stored;
    else platform::ExpandVariables(stored, known, text);
    return true;
}

HKEY OpenMachineKey(const wchar_t* path) {
    HKEY key = nullptr;
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS ? key : nullptr;
}

// Each string value of the key as a variable, the plain ones first: the
// expandable ones may name them.
void ReadAllStrings(HKEY key, Variables* variables) {
    for (const DWORD wanted : {REG_SZ, REG_EXPAND_SZ}) {
        for (DWORD index = 0;; ++index) {
            wchar_t name[16384];
            DWORD chars = 16384, type = 0;
            const LONG result = ::RegEnumValueW(key, index, name, &chars, nullptr, &type, nullptr, nullptr);
            if (result == ERROR_NO_MORE_ITEMS) break;
            if (result != ERROR_SUCCESS || type != wanted || chars == 0) continue;
            std::string value;
            if (ReadString(key, name, *variables, &value)) (*variables)[Utf8(name, chars)] = value;
        }
    }
}

// Values of a key taken as variables: {value name, variable, ...}.
void ReadNamed(const wchar_t* path, std::initializer_list<std::pair<const wchar_t*, const char*>> names,
               Variables* variables) {
    HKEY key = OpenMachineKey(path);
    if (!key) return;
    for (const auto& [name, variable] : names) {
        std::string value;
        if (ReadString(key, name, *variables, &value)) (*variables)[variable] = value;
    }
    ::RegCloseKey(key);
}

}  // namespace

Variables Win32Environment::SystemVariables() {
    Variables variables;
    wchar_t windows[MAX_PATH] = {};
    const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        variables["SystemRoot"] = variables["windir"] = Utf8(windows, length);
        variables["SystemDrive"] = Utf8(windows, 2);
    }
    if (HKEY key = OpenMachineKey(L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment")) {
        ReadAllStrings(key, &variables);
        ::RegCloseKey(key);
    }
    // The 64-bit view, as a 64-bit program's environment has them.
    ReadNamed(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
              {{L"ProgramFilesDir", "ProgramFiles"},
               {L"ProgramFilesDir", "ProgramW6432"},
               {L"ProgramFilesDir (x86)", "ProgramFiles(x86)"},
               {L"CommonFilesDir", "CommonProgramFiles"},
               {L"CommonFilesDir", "CommonProgramW6432"},
               {L"CommonFilesDir (x86)", "CommonProgramFiles(x86)"}},
              &variables);
    ReadNamed(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
              {{L"ProgramData", "ProgramData"}, {L"ProgramData", "ALLUSERSPROFILE"}, {L"Public", "PUBLIC"}},
              &variables);
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD computerLength = MAX_COMPUTERNAME_LENGTH + 1;
    if (::GetComputerNameW(computer, &computerLength)) variables["COMPUTERNAME"] = Utf8(computer, computerLength);
    return variables;
}

Variables Win32Environment::UserVariables() {
    Variables variables;
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_IMPERSONATE, &token))
        return variables;
    void* block = nullptr;
    if (::CreateEnvironmentBlock(&block, token, FALSE)) {
        // NAME=value, each ended by a NUL, the block by another. Names that
        // begin with "=" are the command shell's drive folders.
        for (const wchar_t* entry = static_cast<const wchar_t*>(block); *entry; entry += wcslen(entry) + 1) {
            const wchar_t* equals = wcschr(entry + 1, L'=');
            if (entry[0] == L'=' || !equals) continue;
            variables[Utf8(entry, equals - entry)] = Utf8(equals + 1);
        }
        ::DestroyEnvironmentBlock(block);
    }
    ::CloseHandle(token);
    return variables;
}

}  // namespace platform::win32
