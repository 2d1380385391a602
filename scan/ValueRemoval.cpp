#include "scan/ValueRemoval.h"

namespace scan {

long WalkKeyPath(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                 const LevelStep& step, platform::RegHandle* key) {
    platform::RegHandle level = root;
    bool levelKept = true;  // the root is no handle of ours
    for (std::size_t from = 0;;) {
        const std::size_t end = keyPath.find('\\', from);
        const bool last = end == std::string::npos;
        const std::string name = keyPath.substr(from, last ? std::string::npos : end - from);
        // An empty name would open the same key again: no walk made such a path.
        if (name.empty() && !keyPath.empty()) {
            if (!levelKept) registry.CloseKey(level);
            return platform::kErrorInvalidName;
        }
        Level next;
        const long reached = step(level, std::string_view(keyPath).substr(0, last ? keyPath.size() : end), name, last, &next);
        if (!levelKept) registry.CloseKey(level);
        if (reached != platform::kErrorSuccess) return reached;
        level = next.handle;
        levelKept = next.kept;
        if (last) break;
        from = end + 1;
    }
    *key = level;
    return platform::kErrorSuccess;
}

long OpenKeyAsWalked(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                     std::uint32_t access, platform::RegHandle* key) {
    return WalkKeyPath(registry, root, keyPath,
                       [&](platform::RegHandle parent, std::string_view, const std::string& name, bool last, Level* next) {
                           return registry.OpenKeyEx(parent, name, last ? access : platform::kKeyRead, &next->handle);
                       },
                       key);
}

long OpenOrCreateKey(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                     std::uint32_t access, platform::RegHandle* key) {
    const long opened = OpenKeyAsWalked(registry, root, keyPath, access, key);
    if (opened != platform::kErrorFileNotFound) return opened;
    return WalkKeyPath(registry, root, keyPath,
                       [&](platform::RegHandle parent, std::string_view, const std::string& name, bool, Level* next) {
                           return registry.CreateKey(parent, name, &next->handle);
                       },
                       key);
}

long OpenKeys::Open(platform::RegHandle root, const std::string& keyPath, std::uint32_t access,
                    platform::RegHandle* key, std::uint32_t alsoTry) {
    const auto held = keys_.find({root, keyPath});
    if (held != keys_.end() && (held->second.access & access) == access) {
        *key = held->second.handle;
        return platform::kErrorSuccess;
    }
    std::uint32_t granted = access | alsoTry;
    const long reached = WalkKeyPath(
        registry_, root, keyPath,
        [&](platform::RegHandle parent, std::string_view path, const std::string& name, bool last, Level* next) {
            next->kept = true;
            if (!last) {
                // A level above the key: opened for reading once, for every key below it.
                const auto level = levels_.find({root, std::string(path)});
                if (level != levels_.end()) {
                    next->handle = level->second;
                    return platform::kErrorSuccess;
                }
                const long opened = registry_.OpenKeyEx(parent, name, platform::kKeyRead, &next->handle);
                if (opened == platform::kErrorSuccess) levels_[{root, std::string(path)}] = next->handle;
                return opened;
            }
            long opened = registry_.OpenKeyEx(parent, name, granted, &next->handle);
            if (opened == platform::kErrorAccessDenied && granted != access) {
                granted = access;  // a key we may read but not change
                opened = registry_.OpenKeyEx(parent, name, granted, &next->handle);
            }
            return opened;
        },
        key);
    if (reached != platform::kErrorSuccess) return reached;
    if (held != keys_.end()) {
        registry_.CloseKey(held->second.handle);
        keys_.erase(held);
    }
    keys_[{root, keyPath}] = Entry{*key, granted};
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
