#include "platform/win32/Win32Registry.h"

#include <windows.h>

namespace win32 {
namespace {

// The program numbers the predefined roots 0x80000000 to 0x80000006; on
// 64-bit Windows their handles are those numbers sign-extended.
HKEY ToHkey(platform::RegHandle handle) {
    if (handle >= platform::kHkeyClassesRoot && handle <= platform::kHkeyDynData)
        return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<DWORD>(handle))));
    return reinterpret_cast<HKEY>(handle);
}

platform::RegHandle FromHkey(HKEY key) { return reinterpret_cast<platform::RegHandle>(key); }

}  // namespace

long Win32Registry::OpenKeyEx(platform::RegHandle root, const std::string& path, std::uint32_t access,
                              platform::RegHandle* out) {
    HKEY key = nullptr;
    const LONG result = RegOpenKeyExA(ToHkey(root), path.c_str(), 0, access, &key);
    if (result == ERROR_SUCCESS) *out = FromHkey(key);
    return result;
}

long Win32Registry::EnumKey(platform::RegHandle key, std::uint32_t index, char* name, std::uint32_t size) {
    return RegEnumKeyA(ToHkey(key), index, name, size);
}

long Win32Registry::EnumValue(platform::RegHandle key, std::uint32_t index, char* name, std::uint32_t* nameLen,
                              std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLen) {
    DWORD nameChars = *nameLen, valueType = 0, dataBytes = *dataLen;
    const LONG result = RegEnumValueA(ToHkey(key), index, name, &nameChars, nullptr, &valueType, data, &dataBytes);
    *nameLen = nameChars;
    *type = valueType;
    *dataLen = dataBytes;
    return result;
}

long Win32Registry::CloseKey(platform::RegHandle key) { return RegCloseKey(ToHkey(key)); }

long Win32Registry::CreateKey(platform::RegHandle root, const std::string& path, platform::RegHandle* out) {
    HKEY key = nullptr;
    const LONG result = RegCreateKeyA(ToHkey(root), path.c_str(), &key);
    if (result == ERROR_SUCCESS) *out = FromHkey(key);
    return result;
}

long Win32Registry::DeleteValue(platform::RegHandle key, const std::string& name) {
    return RegDeleteValueA(ToHkey(key), name.c_str());
}

}  // namespace win32
