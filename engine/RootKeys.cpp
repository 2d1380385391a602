#include "engine/RootKeys.h"

#include <algorithm>

namespace engine {

const RootKey kRootKeys[7] = {
    {"HKEY_CLASSES_ROOT", platform::kHkeyClassesRoot},
    {"HKEY_CURRENT_USER", platform::kHkeyCurrentUser},
    {"HKEY_LOCAL_MACHINE", platform::kHkeyLocalMachine},
    {"HKEY_USERS", platform::kHkeyUsers},
    {"HKEY_PERFORMANCE_DATA", platform::kHkeyPerformanceData},
    {"HKEY_CURRENT_CONFIG", platform::kHkeyCurrentConfig},
    {"HKEY_DYN_DATA", platform::kHkeyDynData},
};

std::string RootKeyName(platform::RegHandle handle) {
    for (const RootKey& root : kRootKeys)
        if (root.handle == handle) return root.name;
    return {};
}

platform::RegHandle RootKeyHandle(const std::string& name) {
    if (name == "HKEY_ALL") return 0;
    for (const RootKey& root : kRootKeys)
        if (name == root.name) return root.handle;
    return 0;
}

std::optional<KeyPlace> RootFormOf(std::string_view registryName) {
    const auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    const struct {
        std::string_view prefix;
        platform::RegHandle root;
    } kHives[] = {{"\\REGISTRY\\MACHINE", platform::kHkeyLocalMachine}, {"\\REGISTRY\\USER", platform::kHkeyUsers}};
    for (const auto& hive : kHives) {
        const std::string_view head = registryName.substr(0, hive.prefix.size());
        if (head.size() != hive.prefix.size() ||
            !std::equal(head.begin(), head.end(), hive.prefix.begin(), [&](char a, char b) { return fold(a) == b; }))
            continue;
        const std::string_view rest = registryName.substr(hive.prefix.size());
        if (rest.empty()) return KeyPlace{hive.root, {}};
        if (rest[0] == '\\' && rest.size() > 1) return KeyPlace{hive.root, std::string(rest.substr(1))};
    }
    return std::nullopt;
}

KeyPlace RealPlaceOf(platform::Registry& registry, platform::RegHandle key, const KeyPlace& walked) {
    std::string registryName;
    if (registry.KeyName(key, &registryName) == platform::kErrorSuccess)
        if (auto place = RootFormOf(registryName)) return std::move(*place);
    return walked;
}

bool SamePlace(const KeyPlace& a, const KeyPlace& b) {
    const auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    return a.root == b.root && a.path.size() == b.path.size() &&
           std::equal(a.path.begin(), a.path.end(), b.path.begin(), [&](char x, char y) { return fold(x) == fold(y); });
}

}  // namespace engine
