#pragma once
// Removal of one registry value named by a finding.
#include <string>

#include "engine/Finding.h"
#include "platform/Registry.h"

namespace scan {

enum class Removal { Removed, AlreadyGone, Failed };

// Opens the existing key for setting values (never creates one), deletes the
// value and closes the key.
Removal DeleteKeyValue(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                       const std::string& valueName);

// The value a finding names, by its separate parts: a value name holding a
// backslash is removed as the value it is.
Removal RemoveRegistryValue(platform::Registry& registry, platform::RegHandle root, const engine::Finding& finding);

}  // namespace scan
