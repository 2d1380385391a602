#pragma once
// The registry operations the program takes from the system. Narrow text in
// the system code page, Win32 result codes, handles as plain numbers.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using RegHandle = std::uintptr_t;

// Predefined roots, as the program names them (0 is no root).
constexpr RegHandle kHkeyClassesRoot = 0x80000000;
constexpr RegHandle kHkeyCurrentUser = 0x80000001;
constexpr RegHandle kHkeyLocalMachine = 0x80000002;
constexpr RegHandle kHkeyUsers = 0x80000003;
constexpr RegHandle kHkeyPerformanceData = 0x80000004;
constexpr RegHandle kHkeyCurrentConfig = 0x80000005;
constexpr RegHandle kHkeyDynData = 0x80000006;

// Win32 result codes the program tells apart.
constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorMoreData = 234;
constexpr long kErrorNoMoreItems = 259;

// Value types.
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr std::uint32_t kRegQword = 11;

// Access masks.
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyQueryValue = 0x0001;

class Registry {
public:
    virtual ~Registry() = default;
    // RegOpenKeyExA: options are always 0.
    virtual long OpenKeyEx(RegHandle root, const std::string& path, std::uint32_t access, RegHandle* out) = 0;
    // RegEnumKeyA: name buffer of `size` characters.
    virtual long EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t size) = 0;
    // RegEnumValueA: nameLen and dataLen are in/out capacities.
    virtual long EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* nameLen,
                           std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLen) = 0;
    virtual long CloseKey(RegHandle key) = 0;
    // RegCreateKeyA: opens the key, creating it when it is missing.
    virtual long CreateKey(RegHandle root, const std::string& path, RegHandle* out) = 0;
    // RegDeleteValueA.
    virtual long DeleteValue(RegHandle key, const std::string& name) = 0;

    // The current type and data of a value, whatever its size, read with the
    // wide functions so that no character is lost on the way. The data of
    // the string types (1, 2, 7) comes back in the system code page; *exact
    // is false when it holds a character the code page cannot represent, or
    // is not a whole number of characters.
    virtual long QueryValue(RegHandle root, const std::string& keyPath, const std::string& name,
                            std::uint32_t* type, std::vector<std::uint8_t>* data, bool* exact) = 0;
};

}  // namespace platform
