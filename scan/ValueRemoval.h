#pragma once
// Removal of one registry value named by a finding.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/Finding.h"
#include "platform/Registry.h"

namespace scan {

// Changed: the key is not where the scan found it now, or is in a place
// Windows needs, or the value is not what the scan listed: it stays.
enum class Removal { Removed, AlreadyGone, Failed, Changed };

// One level of a walk down a key path: the key it reached, and whether
// someone keeps it open (else the walk closes it once past it).
struct Level {
    platform::RegHandle handle = 0;
    bool kept = false;
};
// Reaches one level: the key named `name` below `parent`; `path` is the key
// path as far as that level, `last` says it is the key asked for.
using LevelStep = std::function<long(platform::RegHandle parent, std::string_view path, const std::string& name,
                                     bool last, Level* next)>;

// The one walk down a key path, the way the walk of a scan reached the key:
// level by level from the root, each name relative to the key above it,
// each level reached by `step` (opened, or created when missing). Every
// level is opened with kRegOptionOpenLink, as the scan's walk opens it: a
// link on the path is a key without subkeys, never a door to another. The
// registry cuts a whole path longer than it takes in one call, and the cut
// path may name another key; one level's name never is that long. A failed
// level ends the walk with its answer.
long WalkKeyPath(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                 const LevelStep& step, platform::RegHandle* key);

// Opens an existing key so: the levels above for reading, the key for
// `access`. "Not found" from any level means the key is gone.
long OpenKeyAsWalked(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                     std::uint32_t access, platform::RegHandle* key);
// Opens the key for `access`, or, when a level is missing, creates every
// level from the root down. A link on the path is no key to write into:
// kErrorAccessDenied.
long OpenOrCreateKey(platform::Registry& registry, platform::RegHandle root, const std::string& keyPath,
                     std::uint32_t access, platform::RegHandle* key);

// Told as a step of a repair (the backup, the removal) takes up each ticked
// value: its place, from 1, and how many there are. The scan window yields
// and shows how far it is from here. False stops the step before that value
// (the session is ending).
using RepairStep = std::function<bool(int done, int total)>;

// The keys a repair has reached, each level opened once and kept open until
// the repair ends: the values of one key are backed up and removed through
// the same open, and the keys above it are walked once for all their
// subkeys. A failed open is never kept, so a key that comes back is found.
class OpenKeys {
public:
    explicit OpenKeys(platform::Registry& registry) : registry_(registry) {}
    OpenKeys(const OpenKeys&) = delete;
    OpenKeys& operator=(const OpenKeys&) = delete;
    ~OpenKeys() { CloseAll(); }

    // As OpenKeyAsWalked; the key stays this cache's, open until CloseAll.
    // The last level is opened for `access` and `alsoTry` together when the
    // key allows both (so that a later caller asking for `alsoTry` finds it
    // open), else for `access` alone.
    long Open(platform::RegHandle root, const std::string& keyPath, std::uint32_t access, platform::RegHandle* key,
              std::uint32_t alsoTry = 0);
    void CloseAll();
    platform::Registry& Registry() { return registry_; }
    // Where a key this cache holds open really is (engine::RealPlaceOf),
    // asked of the registry once per key: the values of one key share it.
    const engine::KeyPlace& RealPlaceOf(platform::RegHandle key, const engine::KeyPlace& walked);

private:
    struct Entry {
        platform::RegHandle handle;
        std::uint32_t access;
    };

    platform::Registry& registry_;
    // By root and path: the levels above a key (opened for reading) and the
    // keys values were asked of.
    std::map<std::pair<platform::RegHandle, std::string>, platform::RegHandle> levels_;
    std::map<std::pair<platform::RegHandle, std::string>, Entry> keys_;
    std::map<platform::RegHandle, engine::KeyPlace> places_;  // by open key
};

// What a repair finds when it comes back to a value the scan listed.
enum class Listed {
    AsListed,    // where the scan found it, as it was
    Gone,        // the value or its key is not there any more
    Changed,     // see Removal::Changed
    Unreadable,  // the key or the value cannot be read
};
// Reaches the finding's key through the repair's open keys (for `access`,
// with `alsoTry` when the key allows it) and checks that it holds the value
// the scan listed: the registry names the key as the finding's real place,
// in no place Windows needs, and the value has the type and data the scan
// saw. `key`: the open key, for whatever is done with the value next;
// `data`: its bytes as they are now.
Listed CheckListedValue(OpenKeys& keys, const engine::Finding& finding, std::uint32_t access, std::uint32_t alsoTry,
                        platform::RegHandle* key, std::vector<std::uint8_t>* data);

// The value a finding names, by its separate parts (a value name holding a
// backslash is removed as the value it is), and only while it is as listed:
// checked and deleted through the one open key, which the repair's open
// keys keep. The key is opened for setting values; one is never created.
Removal RemoveRegistryValue(platform::Registry& registry, const engine::Finding& finding);
Removal RemoveRegistryValue(OpenKeys& keys, const engine::Finding& finding);

}  // namespace scan
