#include "scan/ValueRemoval.h"

namespace scan {

Removal DeleteKeyValue(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                       const std::string& valueName) {
    platform::RegHandle key = 0;
    const long opened = registry.OpenKeyEx(root, keyPath, platform::kKeySetValue, &key);
    if (opened == platform::kErrorFileNotFound) return Removal::AlreadyGone;  // the key and its values are gone
    if (opened != platform::kErrorSuccess) return Removal::Failed;
    const long deleted = registry.DeleteValue(key, valueName);
    registry.CloseKey(key);
    if (deleted == platform::kErrorSuccess) return Removal::Removed;
    if (deleted == platform::kErrorFileNotFound) return Removal::AlreadyGone;
    return Removal::Failed;
}

Removal RemoveRegistryValue(platform::Registry& registry, platform::RegHandle root, const engine::Finding& finding) {
    return DeleteKeyValue(registry, root, finding.keyPath, finding.valueName);
}

}  // namespace scan
