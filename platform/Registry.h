#pragma once
// The registry operations the program takes from the system. Names and paths
// are the program's UTF-8 text (platform/Text.h), exact; data are the
// registry's true bytes (UTF-16 for the string types). Win32 result codes,
// handles as plain numbers.
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
constexpr long kErrorInvalidName = 123;
constexpr long kErrorMoreData = 234;
constexpr long kErrorNoMoreItems = 259;
constexpr long kErrorKeyDeleted = 1018;  // the key was deleted while it was open

// Value types.
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr std::uint32_t kRegQword = 11;

// The longest key path the registry takes in one call, in UTF-16 units: it
// cuts a longer one to this length without an error (RtlInitUnicodeString),
// and the cut path may name another key. Deeper keys are reached level by
// level, each name relative to the key above it.
constexpr std::size_t kMaxKeyPathUnits = 32766;

// RegOpenKeyExW's option that opens a link key as itself (a key with no
// subkeys and one REG_LINK value naming its target) instead of its target.
// Only the last name of a path is taken so: a link above it is followed.
constexpr std::uint32_t kRegOptionOpenLink = 0x0008;
constexpr std::uint32_t kRegLink = 6;

// Access masks.
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyQueryValue = 0x0001;

class Registry {
public:
    virtual ~Registry() = default;
    // The name of the user's own tree under HKEY_USERS (the string form of
    // the user's security identifier), which HKEY_CURRENT_USER shows; empty
    // when it cannot be told.
    virtual std::string CurrentUserSid() = 0;
    // RegOpenKeyExW: `options` is 0 or kRegOptionOpenLink.
    virtual long OpenKeyEx(RegHandle root, const std::string& path, std::uint32_t options, std::uint32_t access,
                           RegHandle* out) = 0;
    // RegEnumKeyExW with a name buffer of `nameChars` UTF-16 characters; 234
    // when the name does not fit.
    virtual long EnumKey(RegHandle key, std::uint32_t index, std::uint32_t nameChars, std::string* name) = 0;
    // RegEnumValueW with a name buffer of `nameChars` UTF-16 characters and a
    // data buffer of `dataBytes` bytes; 234 when either does not fit.
    virtual long EnumValue(RegHandle key, std::uint32_t index, std::uint32_t nameChars, std::uint32_t dataBytes,
                           std::string* name, std::uint32_t* type, std::vector<std::uint8_t>* data) = 0;
    virtual long CloseKey(RegHandle key) = 0;
    // The registry's own full name of an open key (NtQueryKey with
    // KeyNameInformation). A key opened through a link is the key the link
    // leads to, and this is that key's name; a link opened as itself is
    // named by its own path.
    virtual long KeyName(RegHandle key, std::string* name) = 0;
    // RegCreateKeyExW: opens the key, creating it when it is missing.
    virtual long CreateKey(RegHandle root, const std::string& path, RegHandle* out) = 0;
    // RegSetValueExW on an open key.
    virtual long SetValue(RegHandle key, const std::string& name, std::uint32_t type,
                          const std::vector<std::uint8_t>& data) = 0;
    // RegDeleteValueW.
    virtual long DeleteValue(RegHandle key, const std::string& name) = 0;
    // RegQueryValueExW on an open key: the current type and bytes of a value,
    // whatever their size.
    virtual long QueryValue(RegHandle key, const std::string& name, std::uint32_t* type,
                            std::vector<std::uint8_t>* data) = 0;
};

}  // namespace platform
