#pragma once
// Removal of one registry value named by a finding.
#include <cstdint>
#include <string>

#include "engine/Finding.h"
#include "platform/Registry.h"

namespace scan {

enum class Removal { Removed, AlreadyGone, Failed };

// Opens an existing key the way the walk reached it: level by level from the
// root, each name relative to the key above it. The registry cuts a whole
// path longer than it takes in one call, and the cut path may name another
// key; one level's name never is that long. "Not found" from any level means
// the key is gone.
long OpenKeyAsWalked(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                     std::uint32_t access, platform::RegHandle* key);

// Opens the existing key for setting values (never creates one), deletes the
// value and closes the key.
Removal DeleteKeyValue(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                       const std::string& valueName);

// The value a finding names, by its separate parts: a value name holding a
// backslash is removed as the value it is.
Removal RemoveRegistryValue(platform::Registry& registry, platform::RegHandle root, const engine::Finding& finding);

}  // namespace scan
