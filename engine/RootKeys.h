#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/Registry.h"

namespace engine {

// The seven predefined roots in the order a search over all roots visits them.
struct RootKey {
    const char* name;
    platform::RegHandle handle;
};
extern const RootKey kRootKeys[7];

// The root's name for one of the seven handles; empty for anything else.
std::string RootKeyName(platform::RegHandle handle);

// The handle for an exact (case-sensitive) root name; 0 for "HKEY_ALL" and
// for anything that is not a root name.
platform::RegHandle RootKeyHandle(const std::string& name);

// A key's place as the program names it: a root and the path below it.
struct KeyPlace {
    platform::RegHandle root = 0;
    std::string path;
    bool operator==(const KeyPlace&) const = default;
};

// The registry's own name of a key (the name Registry::KeyName gives) in
// root form: "\REGISTRY\MACHINE\..." is HKEY_LOCAL_MACHINE, "\REGISTRY\USER\..."
// is HKEY_USERS, in any case. Nothing for a name under no root the program
// walks.
std::optional<KeyPlace> RootFormOf(std::string_view registryName);

// Where an open key really is: its registry name in root form, or, when the
// registry will not name it under a root the program walks, `walked` (the
// root and path it was opened by).
KeyPlace RealPlaceOf(platform::Registry& registry, platform::RegHandle key, const KeyPlace& walked);
// Two places of one key: key names are compared without regard to the case
// of ASCII letters, as the registry compares them.
bool SamePlace(const KeyPlace& a, const KeyPlace& b);

}  // namespace engine
