#include "scan/ValueRemoval.h"

namespace scan {
namespace {

// Opens an existing key for setting values. A path the registry refuses as a
// whole (a very deep one) is opened level by level, each level relative to
// the one above it.
long OpenForRemoval(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                    platform::RegHandle* key) {
    const long whole = registry.OpenKeyEx(root, keyPath, platform::kKeySetValue, key);
    if (whole == platform::kErrorSuccess || whole == platform::kErrorFileNotFound ||
        whole == platform::kErrorAccessDenied || keyPath.find('\\') == std::string::npos)
        return whole;
    platform::RegHandle level = root;
    for (std::size_t from = 0;;) {
        const std::size_t end = keyPath.find('\\', from);
        const bool last = end == std::string::npos;
        platform::RegHandle next = 0;
        const long opened = registry.OpenKeyEx(level, keyPath.substr(from, last ? std::string::npos : end - from),
                                               last ? platform::kKeySetValue : platform::kKeyRead, &next);
        if (level != root) registry.CloseKey(level);
        if (opened != platform::kErrorSuccess) return opened;
        level = next;
        if (last) break;
        from = end + 1;
    }
    *key = level;
    return platform::kErrorSuccess;
}

}  // namespace

Removal DeleteKeyValue(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                       const std::string& valueName) {
    // A name holding a NUL cannot be named to the system: asking for it would
    // name another value, the one called by its first part.
    if (valueName.find('\0') != std::string::npos || keyPath.find('\0') != std::string::npos)
        return Removal::Failed;
    platform::RegHandle key = 0;
    const long opened = OpenForRemoval(registry, root, keyPath, &key);
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
