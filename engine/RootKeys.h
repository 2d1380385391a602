#pragma once
#include <string>

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

}  // namespace engine
