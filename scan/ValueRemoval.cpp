#include "scan/ValueRemoval.h"

#include "engine/Categories.h"
#include "engine/RootKeys.h"

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

namespace {

// A link opened as itself holds the name of its target in this value.
bool IsLink(platform::Registry& registry, platform::RegHandle key) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    return registry.QueryValue(key, "SymbolicLinkValue", &type, &data) == platform::kErrorSuccess &&
           type == platform::kRegLink;
}

}  // namespace

long OpenKeyAsWalked(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                     std::uint32_t access, platform::RegHandle* key) {
    return WalkKeyPath(registry, root, keyPath,
                       [&](platform::RegHandle parent, std::string_view, const std::string& name, bool last, Level* next) {
                           return registry.OpenKeyEx(parent, name, platform::kRegOptionOpenLink,
                                                     last ? access : platform::kKeyRead, &next->handle);
                       },
                       key);
}

long OpenOrCreateKey(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                     std::uint32_t access, platform::RegHandle* key) {
    return WalkKeyPath(
        registry, root, keyPath,
        [&](platform::RegHandle parent, std::string_view, const std::string& name, bool last, Level* next) {
            long reached = registry.OpenKeyEx(parent, name, platform::kRegOptionOpenLink,
                                              last ? access : platform::kKeyRead, &next->handle);
            // A key made below a link opened as itself would be made in the
            // link, where nothing looks for it; a value written into a link
            // is no value of the key it names.
            if (reached == platform::kErrorFileNotFound) {
                if (IsLink(registry, parent)) return platform::kErrorAccessDenied;
                reached = registry.CreateKey(parent, name, &next->handle);
            } else if (reached == platform::kErrorSuccess && last && IsLink(registry, next->handle)) {
                registry.CloseKey(next->handle);
                return platform::kErrorAccessDenied;
            }
            return reached;
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
                const long opened =
                    registry_.OpenKeyEx(parent, name, platform::kRegOptionOpenLink, platform::kKeyRead, &next->handle);
                if (opened == platform::kErrorSuccess) levels_[{root, std::string(path)}] = next->handle;
                return opened;
            }
            long opened = registry_.OpenKeyEx(parent, name, platform::kRegOptionOpenLink, granted, &next->handle);
            if (opened == platform::kErrorAccessDenied && granted != access) {
                granted = access;  // a key we may read but not change
                opened = registry_.OpenKeyEx(parent, name, platform::kRegOptionOpenLink, granted, &next->handle);
            }
            return opened;
        },
        key);
    if (reached != platform::kErrorSuccess) return reached;
    if (held != keys_.end()) {
        places_.erase(held->second.handle);
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
    places_.clear();
}

const engine::KeyPlace& OpenKeys::RealPlaceOf(platform::RegHandle key, const engine::KeyPlace& walked) {
    auto known = places_.find(key);
    if (known == places_.end()) known = places_.emplace(key, engine::RealPlaceOf(registry_, key, walked)).first;
    return known->second;
}

Listed CheckListedValue(OpenKeys& keys, const engine::Finding& finding, std::uint32_t access, std::uint32_t alsoTry,
                        platform::RegHandle* key, std::vector<std::uint8_t>* data) {
    // A name holding a NUL cannot be named to the system: asking for it would
    // name another value, the one called by its first part.
    if (finding.valueName.find('\0') != std::string::npos || finding.keyPath.find('\0') != std::string::npos)
        return Listed::Unreadable;
    const long opened = keys.Open(finding.root, finding.keyPath, access, key, alsoTry);
    // The key and its values are gone (or, for a level the repair held open,
    // deleted since).
    if (opened == platform::kErrorFileNotFound || opened == platform::kErrorKeyDeleted) return Listed::Gone;
    if (opened != platform::kErrorSuccess) return Listed::Unreadable;
    platform::Registry& registry = keys.Registry();
    std::uint32_t type = 0;
    const long queried = registry.QueryValue(*key, finding.valueName, &type, data);
    // A key deleted by someone else while the repair held it open has taken
    // its values with it. A link put in the key's place holds none of them.
    if (queried == platform::kErrorKeyDeleted) return Listed::Gone;
    if (queried == platform::kErrorFileNotFound) return IsLink(registry, *key) ? Listed::Changed : Listed::Gone;
    if (queried != platform::kErrorSuccess) return Listed::Unreadable;
    // The path may lead elsewhere now (the key deleted and another made in
    // its place), and a service may have become a driver since the scan. The
    // key's name is asked once: the handle stays this key's, wherever its
    // path leads later.
    const engine::KeyPlace& place = keys.RealPlaceOf(*key, {finding.root, finding.keyPath});
    if (!engine::SamePlace(place, finding.realPlace) || engine::ProtectedPlaceOf(registry, place.root, place.path))
        return Listed::Changed;
    // The walk takes empty data for a single zero byte.
    const bool sameData = *data == finding.data || (data->empty() && finding.data == std::vector<std::uint8_t>{0});
    return type == finding.type && sameData ? Listed::AsListed : Listed::Changed;
}

Removal RemoveRegistryValue(platform::Registry& registry, const engine::Finding& finding) {
    OpenKeys keys(registry);
    return RemoveRegistryValue(keys, finding);
}

Removal RemoveRegistryValue(OpenKeys& keys, const engine::Finding& finding) {
    platform::RegHandle key = 0;
    std::vector<std::uint8_t> data;
    switch (CheckListedValue(keys, finding, platform::kKeyQueryValue | platform::kKeySetValue, 0, &key, &data)) {
    case Listed::AsListed: break;
    case Listed::Gone: return Removal::AlreadyGone;
    case Listed::Changed: return Removal::Changed;
    case Listed::Unreadable: return Removal::Failed;
    }
    const long deleted = keys.Registry().DeleteValue(key, finding.valueName);
    if (deleted == platform::kErrorSuccess) return Removal::Removed;
    if (deleted == platform::kErrorFileNotFound || deleted == platform::kErrorKeyDeleted) return Removal::AlreadyGone;
    return Removal::Failed;
}

}  // namespace scan
