#include "platform/win32/Win32Registry.h"

#include <windows.h>
#include <sddl.h>

#include <string>

#include "platform/win32/WideText.h"

namespace platform::win32 {
namespace {

// The program numbers the predefined roots 0x80000000 to 0x80000006; on
// 64-bit Windows their handles are those numbers sign-extended.
HKEY ToHkey(platform::RegHandle handle) {
    if (handle >= platform::kHkeyClassesRoot && handle <= platform::kHkeyDynData)
        return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<DWORD>(handle))));
    return reinterpret_cast<HKEY>(handle);
}

platform::RegHandle FromHkey(HKEY key) { return reinterpret_cast<platform::RegHandle>(key); }

// The wide functions take names ended by a NUL: a name holding one would
// reach the system as its first part, another key or value altogether.
bool HoldsNul(const std::string& text) { return text.find('\0') != std::string::npos; }

// From ntdll: the registry's own name of a key (KEY_NAME_INFORMATION: a
// length in bytes, then that many bytes of UTF-16).
extern "C" LONG NTAPI NtQueryKey(HANDLE key, int informationClass, void* information, ULONG length,
                                     ULONG* resultLength);
extern "C" ULONG NTAPI RtlNtStatusToDosError(LONG status);
constexpr int kKeyNameInformation = 3;
constexpr LONG kStatusBufferOverflow = static_cast<LONG>(0x80000005);
constexpr LONG kStatusBufferTooSmall = static_cast<LONG>(0xC0000023);

}  // namespace

std::string Win32Registry::CurrentUserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    std::string sid;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    LPWSTR text = nullptr;
    if (size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
        ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) {
        sid = Utf8(text);
        ::LocalFree(text);
    }
    ::CloseHandle(token);
    return sid;
}

// The walk and the repair open every key below a root as itself, never as
// what a link leads to: the portable names must be the system's.
static_assert(platform::kRegOptionOpenLink == REG_OPTION_OPEN_LINK);
static_assert(platform::kRegLink == REG_LINK);

long Win32Registry::OpenKeyEx(platform::RegHandle root, const std::string& path, std::uint32_t options,
                              std::uint32_t access, platform::RegHandle* out) {
    if (HoldsNul(path)) return platform::kErrorInvalidName;
    HKEY key = nullptr;
    const LONG result = RegOpenKeyExW(ToHkey(root), Wide(path).c_str(), options, access, &key);
    if (result == ERROR_SUCCESS) *out = FromHkey(key);
    return result;
}

long Win32Registry::EnumKey(platform::RegHandle key, std::uint32_t index, std::uint32_t nameChars, std::string* name) {
    name_.resize(nameChars);
    DWORD length = nameChars;
    const LONG result = RegEnumKeyExW(ToHkey(key), index, name_.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_SUCCESS) Utf8(name_.data(), length, *name);
    return result;
}

long Win32Registry::EnumValue(platform::RegHandle key, std::uint32_t index, std::uint32_t nameChars,
                              std::uint32_t dataBytes, std::string* name, std::uint32_t* type,
                              std::vector<std::uint8_t>* data) {
    name_.resize(nameChars);
    data_.resize(dataBytes);
    DWORD length = nameChars, valueType = 0, size = dataBytes;
    const LONG result =
        RegEnumValueW(ToHkey(key), index, name_.data(), &length, nullptr, &valueType, data_.data(), &size);
    if (result != ERROR_SUCCESS) return result;
    Utf8(name_.data(), length, *name);
    *type = valueType;
    data->assign(data_.begin(), data_.begin() + size);
    return result;
}

long Win32Registry::CloseKey(platform::RegHandle key) { return RegCloseKey(ToHkey(key)); }

long Win32Registry::KeyName(platform::RegHandle key, std::string* name) {
    // A predefined root is no handle of the kernel's; its name is not needed.
    if (key >= platform::kHkeyClassesRoot && key <= platform::kHkeyDynData) return platform::kErrorInvalidHandle;
    for (;;) {
        ULONG size = 0;
        const LONG status = NtQueryKey(ToHkey(key), kKeyNameInformation, keyName_.data(),
                                           static_cast<ULONG>(keyName_.size()), &size);
        if (status == kStatusBufferOverflow || status == kStatusBufferTooSmall) {
            if (size <= keyName_.size()) return platform::kErrorMoreData;
            keyName_.resize(size);
            continue;
        }
        if (status < 0) return static_cast<long>(RtlNtStatusToDosError(status));
        const ULONG length = *reinterpret_cast<const ULONG*>(keyName_.data());  // in bytes
        Utf8(reinterpret_cast<const wchar_t*>(keyName_.data() + sizeof(ULONG)), length / sizeof(wchar_t), *name);
        return platform::kErrorSuccess;
    }
}

long Win32Registry::CreateKey(platform::RegHandle root, const std::string& path, platform::RegHandle* out) {
    if (HoldsNul(path)) return platform::kErrorInvalidName;
    HKEY key = nullptr;
    const LONG result = RegCreateKeyExW(ToHkey(root), Wide(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                        &key, nullptr);
    if (result == ERROR_SUCCESS) *out = FromHkey(key);
    return result;
}

long Win32Registry::SetValue(platform::RegHandle key, const std::string& name, std::uint32_t type,
                             const std::vector<std::uint8_t>& data) {
    if (HoldsNul(name)) return platform::kErrorInvalidName;
    return RegSetValueExW(ToHkey(key), Wide(name).c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
}

long Win32Registry::DeleteValue(platform::RegHandle key, const std::string& name) {
    if (HoldsNul(name)) return platform::kErrorInvalidName;
    return RegDeleteValueW(ToHkey(key), Wide(name).c_str());
}

long Win32Registry::QueryValue(platform::RegHandle key, const std::string& name, std::uint32_t* type,
                               std::vector<std::uint8_t>* data) {
    if (HoldsNul(name)) return platform::kErrorInvalidName;
    const std::wstring wideName = Wide(name);
    DWORD valueType = 0, size = 0;
    std::vector<std::uint8_t> bytes;
    LONG result;
    do {  // the value may grow between the two calls
        result = RegQueryValueExW(ToHkey(key), wideName.c_str(), nullptr, &valueType, nullptr, &size);
        if (result != ERROR_SUCCESS) return result;
        bytes.resize(size);
        result = RegQueryValueExW(ToHkey(key), wideName.c_str(), nullptr, &valueType, bytes.data(), &size);
    } while (result == ERROR_MORE_DATA);
    if (result != ERROR_SUCCESS) return result;
    bytes.resize(size);
    *type = valueType;
    *data = std::move(bytes);
    return ERROR_SUCCESS;
}

}  // namespace platform::win32
