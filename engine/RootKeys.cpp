#include "engine/RootKeys.h"

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

}  // namespace engine
