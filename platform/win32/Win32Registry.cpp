#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <algorithm>
#include <string>

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

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return wide;
}

// UTF-16 text in the system code page; false unless converting it back gives
// exactly the same characters (no replacement, no best-fit substitute).
bool NarrowExactly(const wchar_t* wide, int length, std::string* narrow) {
    narrow->clear();
    if (length == 0) return true;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return false;
    narrow->resize(bytes);
    WideCharToMultiByte(CP_ACP, 0, wide, length, narrow->data(), bytes, nullptr, nullptr);
    return Widen(*narrow) == std::wstring(wide, length);
}

// Closes a key when the procedure that opened it is done.
class ScopedKey {
public:
    ScopedKey() = default;
    ~ScopedKey() {
        if (key_) RegCloseKey(key_);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

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

long Win32Registry::QueryValue(platform::RegHandle root, const std::string& keyPath, const std::string& name,
                               std::uint32_t* type, std::vector<std::uint8_t>* data, bool* exact) {
    ScopedKey key;
    LONG result = RegOpenKeyExW(ToHkey(root), Widen(keyPath).c_str(), 0, KEY_QUERY_VALUE, key.out());
    if (result != ERROR_SUCCESS) return result;
    const std::wstring wideName = Widen(name);
    DWORD valueType = 0, size = 0;
    std::vector<std::uint8_t> bytes;
    do {  // the value may grow between the two calls
        result = RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &valueType, nullptr, &size);
        if (result != ERROR_SUCCESS) return result;
        bytes.resize(size);
        result = RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &valueType, bytes.data(), &size);
    } while (result == ERROR_MORE_DATA);
    if (result != ERROR_SUCCESS) return result;
    bytes.resize(size);
    *type = valueType;
    *exact = true;
    if (valueType == REG_SZ || valueType == REG_EXPAND_SZ || valueType == REG_MULTI_SZ) {
        std::string narrow;
        std::wstring wide(bytes.size() / 2, L'\0');
        std::copy(bytes.begin(), bytes.begin() + wide.size() * 2, reinterpret_cast<std::uint8_t*>(wide.data()));
        *exact = bytes.size() % 2 == 0 && NarrowExactly(wide.data(), static_cast<int>(wide.size()), &narrow);
        bytes.assign(narrow.begin(), narrow.end());
    }
    *data = std::move(bytes);
    return ERROR_SUCCESS;
}

}  // namespace platform::win32
