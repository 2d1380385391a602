#include "scan/ValueRemoval.h"

namespace scan {
long OpenKeyAsWalked(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                     std::uint32_t access, platform::RegHandle* key) {
    platform::RegHandle level = root;
    for (std::size_t from = 0;;) {
        const std::size_t end = keyPath.find('\\', from);
        const bool last = end == std::string::npos;
        const std::string name = keyPath.substr(from, last ? std::string::npos : end - from);
        // An empty name would open the same key again: no walk made such a path.
        if (name.empty() && !keyPath.empty()) {
            if (level != root) registry.CloseKey(level);
            return platform::kErrorInvalidName;
        }
        platform::RegHandle next = 0;
        const long opened = registry.OpenKeyEx(level, name, last ? access : platform::kKeyRead, &next);
        if (level != root) registry.CloseKey(level);
        if (opened != platform::kErrorSuccess) return opened;
        level = next;
        if (last) break;
        from = end + 1;
    }
    *key = level;
    return platform::kErrorSuccess;
}

Removal DeleteKeyValue(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                       const std::string& valueName) {
    // A name holding a NUL cannot be named to the system: asking for it would
    // name another value, the one called by its first part.
    if (valueName.find('\0') != std::string::npos || keyPath.find('\0') != std::string::npos)
        return Removal::Failed;
    platform::RegHandle key = 0;
    const long opened = OpenKeyAsWalked(registry, root, keyPath, platform::kKeySetValue, &key);
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
