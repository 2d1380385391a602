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

long OpenKeys::Open(platform::RegHandle root, const std::string& keyPath, std::uint32_t access,
                    platform::RegHandle* key, std::uint32_t alsoTry) {
    const auto held = keys_.find({root, keyPath});
    if (held != keys_.end() && (held->second.access & access) == access) {
        *key = held->second.handle;
        return platform::kErrorSuccess;
    }
    platform::RegHandle parent = root;
    const std::size_t cut = keyPath.rfind('\\');
    if (cut != std::string::npos) {
        const long opened = OpenLevel(root, keyPath.substr(0, cut), &parent);
        if (opened != platform::kErrorSuccess) return opened;
    }
    const std::string name = cut == std::string::npos ? keyPath : keyPath.substr(cut + 1);
    // An empty name would open the same key again: no walk made such a path.
    if (name.empty() && !keyPath.empty()) return platform::kErrorInvalidName;
    platform::RegHandle next = 0;
    std::uint32_t granted = access | alsoTry;
    long opened = registry_.OpenKeyEx(parent, name, granted, &next);
    if (opened == platform::kErrorAccessDenied && granted != access) {
        granted = access;  // a key we may read but not change
        opened = registry_.OpenKeyEx(parent, name, granted, &next);
    }
    if (opened != platform::kErrorSuccess) return opened;
    if (held != keys_.end()) {
        registry_.CloseKey(held->second.handle);
        keys_.erase(held);
    }
    keys_[{root, keyPath}] = Entry{next, granted};
    *key = next;
    return platform::kErrorSuccess;
}

long OpenKeys::OpenLevel(platform::RegHandle root, const std::string& path, platform::RegHandle* level) {
    const auto held = levels_.find({root, path});
    if (held != levels_.end()) {
        *level = held->second;
        return platform::kErrorSuccess;
    }
    platform::RegHandle parent = root;
    const std::size_t cut = path.rfind('\\');
    if (cut != std::string::npos) {
        const long opened = OpenLevel(root, path.substr(0, cut), &parent);
        if (opened != platform::kErrorSuccess) return opened;
    }
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    if (name.empty()) return platform::kErrorInvalidName;
    platform::RegHandle next = 0;
    const long opened = registry_.OpenKeyEx(parent, name, platform::kKeyRead, &next);
    if (opened != platform::kErrorSuccess) return opened;
    levels_[{root, path}] = next;
    *level = next;
    return platform::kErrorSuccess;
}

void OpenKeys::CloseAll() {
    for (const auto& [where, entry] : keys_) registry_.CloseKey(entry.handle);
    for (const auto& [where, handle] : levels_) registry_.CloseKey(handle);
    keys_.clear();
    levels_.clear();
}

Removal DeleteKeyValue(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                       const std::string& valueName) {
    // A name holding a NUL cannot be named to the system: asking for it would
    // name another value, the one called by its first part.
    if (valueName.find('\0') != std::string::npos || keyPath.find('\0') != std::string::npos)
        return Removal::Failed;
    OpenKeys keys(registry);
    return DeleteKeyValue(keys, root, keyPath, valueName);
}

Removal DeleteKeyValue(OpenKeys& keys, platform::RegHandle root, const std::string& keyPath,
                       const std::string& valueName) {
    // A name holding a NUL cannot be named to the system: asking for it would
    // name another value, the one called by its first part.
    if (valueName.find('\0') != std::string::npos || keyPath.find('\0') != std::string::npos)
        return Removal::Failed;
    platform::RegHandle key = 0;
    const long opened = keys.Open(root, keyPath, platform::kKeySetValue, &key);
    if (opened == platform::kErrorFileNotFound) return Removal::AlreadyGone;  // the key and its values are gone
    if (opened != platform::kErrorSuccess) return Removal::Failed;
    const long deleted = keys.Registry().DeleteValue(key, valueName);
    // A key deleted by someone else while the repair held it open has taken
    // its values with it.
    if (deleted == platform::kErrorSuccess) return Removal::Removed;
    if (deleted == platform::kErrorFileNotFound || deleted == platform::kErrorKeyDeleted) return Removal::AlreadyGone;
    return Removal::Failed;
}

Removal RemoveRegistryValue(platform::Registry& registry, platform::RegHandle root, const engine::Finding& finding) {
    return DeleteKeyValue(registry, root, finding.keyPath, finding.valueName);
}

Removal RemoveRegistryValue(OpenKeys& keys, platform::RegHandle root, const engine::Finding& finding) {
    return DeleteKeyValue(keys, root, finding.keyPath, finding.valueName);
}

}  // namespace scan
