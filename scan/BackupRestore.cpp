#include "scan/BackupRestore.h"

#include "engine/RootKeys.h"
#include "platform/Text.h"
#include "scan/ValueRemoval.h"

namespace scan {
namespace {

std::string Reason(long error) {
    switch (error) {
    case platform::kErrorAccessDenied: return "access denied";
    case platform::kErrorFileNotFound: return "not found";
    case platform::kErrorInvalidName: return "a name the registry cannot take";
    default: return "error " + std::to_string(error);
    }
}

RestoredValue RestoreValue(platform::Registry& registry, const BackupValue& value) {
    RestoredValue result{value, Restore::Failed, {}};
    const std::size_t cut = value.key.find('\\');
    const platform::RegHandle root = engine::RootKeyHandle(value.key.substr(0, cut));
    if (root == 0 || cut == std::string::npos) {
        result.reason = "no root key of the registry";
        return result;
    }
    const std::string keyPath = value.key.substr(cut + 1);
    if (platform::Utf16Length(value.key) > platform::kMaxKeyPathUnits) {
        result.reason = "a key longer than the registry takes";
        return result;
    }
    platform::RegHandle key = 0;
    long error = OpenOrCreateKey(registry, root, keyPath, platform::kKeyQueryValue | platform::kKeySetValue, &key);
    if (error != platform::kErrorSuccess) {
        result.reason = Reason(error);
        return result;
    }
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (registry.QueryValue(key, value.name, &type, &data) == platform::kErrorSuccess && type == value.type &&
        data == value.data) {
        result.outcome = Restore::AlreadyEqual;
    } else if ((error = registry.SetValue(key, value.name, value.type, value.data)) != platform::kErrorSuccess) {
        result.reason = Reason(error);
    } else if ((error = registry.QueryValue(key, value.name, &type, &data)) != platform::kErrorSuccess) {
        result.reason = Reason(error);
    } else if (type != value.type || data != value.data) {
        result.reason = "it reads back differently";
    } else {
        result.outcome = Restore::Restored;
    }
    registry.CloseKey(key);
    return result;
}

}  // namespace

std::vector<RestoredValue> RestoreBackupValues(platform::Registry& registry, const std::vector<BackupValue>& values) {
    std::vector<RestoredValue> results;
    for (const BackupValue& value : values) results.push_back(RestoreValue(registry, value));
    return results;
}

}  // namespace scan
