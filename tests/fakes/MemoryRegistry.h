#pragma once
// An in-memory registry that answers the registry operations with the same
// results as the system's: enumeration order, "does not fit" for a name of
// as many UTF-16 characters as the caller's buffer or more and for data over
// the caller's buffer, failing opens of missing keys and of roots the system
// lacks, a path longer than the registry takes in one call cut silently. Names compare without regard to the case of ASCII letters; string
// data is UTF-16, as the registry keeps it.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace fakes {

class MemoryRegistry : public platform::Registry {
public:
    MemoryRegistry();

    // Seeding and inspection.
    void AddKey(platform::RegHandle root, const std::string& path);
    void SetValue(platform::RegHandle root, const std::string& path, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data);
    void SetString(platform::RegHandle root, const std::string& path, const std::string& name, const std::string& text);
    bool KeyExists(platform::RegHandle root, const std::string& path) const;
    bool ValueExists(platform::RegHandle root, const std::string& path, const std::string& name) const;
    // A link at `path` (made with its parent if need be) that leads to the
    // key at `target`, as one made with REG_OPTION_CREATE_LINK: listed under
    // its own name, opened as its target and named by the target's name;
    // opened with kRegOptionOpenLink, it is itself: no subkeys, and its
    // SymbolicLinkValue (REG_LINK) naming the target.
    void AddLink(platform::RegHandle root, const std::string& path, platform::RegHandle targetRoot,
                 const std::string& target);
    // The link at `path` leads to `target` from now on.
    void RetargetLink(platform::RegHandle root, const std::string& path, platform::RegHandle targetRoot,
                      const std::string& target);
    // The key at `path` and everything below it are deleted (a link itself,
    // not what it leads to). Open handles to them stay valid, as the
    // system's do: their operations answer "key deleted".
    void RemoveKey(platform::RegHandle root, const std::string& path);
    // The root shows the key at `path` under `target` from now on, as
    // HKEY_CURRENT_USER shows the user's tree under HKEY_USERS: its keys are
    // named where they really are.
    void ShowRootAs(platform::RegHandle root, platform::RegHandle target, const std::string& path);
    // A root the system lacks: opening it fails.
    void RemoveRoot(platform::RegHandle root);
    // Deleting values of this key is refused with "access denied".
    void DenyWrites(platform::RegHandle root, const std::string& path);
    // Called at every open of this key (by full path); may throw to simulate
    // a failure inside the walk.
    void OnOpen(platform::RegHandle root, const std::string& path, std::function<void()> hook);
    // Opening this key, or listing its subkeys or values, answers `error`.
    void FailOpen(platform::RegHandle root, const std::string& path, long error);
    void FailEnumeration(platform::RegHandle root, const std::string& path, long error);
    int OpenHandles() const { return static_cast<int>(handles_.size()); }
    int OpenCalls() const { return openCalls_; }

    std::string userSid = "S-1-5-21-0-0-0-1000";
    std::string CurrentUserSid() override { return userSid; }
    long OpenKeyEx(platform::RegHandle root, const std::string& path, std::uint32_t options, std::uint32_t access,
                   platform::RegHandle* out) override;
    long EnumKey(platform::RegHandle key, std::uint32_t index, std::uint32_t nameChars, std::string* name) override;
    long EnumValue(platform::RegHandle key, std::uint32_t index, std::uint32_t nameChars, std::uint32_t dataBytes,
                   std::string* name, std::uint32_t* type, std::vector<std::uint8_t>* data) override;
    long CloseKey(platform::RegHandle key) override;
    long KeyName(platform::RegHandle key, std::string* name) override;
    long CreateKey(platform::RegHandle root, const std::string& path, platform::RegHandle* out) override;
    long SetValue(platform::RegHandle key, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) override;
    long DeleteValue(platform::RegHandle key, const std::string& name) override;
    long QueryValue(platform::RegHandle key, const std::string& name, std::uint32_t* type,
                    std::vector<std::uint8_t>* data) override;
    std::vector<std::uint8_t> Data(platform::RegHandle root, const std::string& path, const std::string& name) const;

private:
    struct NoCaseLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    struct Value {
        std::string name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    const Value* FindValue(platform::RegHandle root, const std::string& path, const std::string& name) const;
    struct Key {
        std::string name;
        std::string fullPath;  // root name and path: the key's own name
        std::weak_ptr<Key> link;  // for a link, the key it leads to
        std::map<std::string, std::shared_ptr<Key>, NoCaseLess> subkeys;  // enumerated in name order
        std::vector<Value> values;                                        // enumerated in insertion order
        std::map<std::string, std::size_t, NoCaseLess> valueIndex;        // name -> position in values
        bool isLink = false;
        bool deleted = false;
        bool denyWrites = false;
        std::function<void()> onOpen;
        long openError = platform::kErrorSuccess;
        long enumError = platform::kErrorSuccess;
    };
    struct Handle {
        std::shared_ptr<Key> key;
        std::uint32_t access;
    };

    // `openLink`: a link named by the path's last name is the key found,
    // not its target.
    std::shared_ptr<Key> Find(platform::RegHandle base, const std::string& path, bool create, bool openLink = false);
    void SetLinkTarget(Key& link, const std::shared_ptr<Key>& target);
    std::shared_ptr<Key> Resolve(platform::RegHandle handle) const;
    platform::RegHandle NewHandle(std::shared_ptr<Key> key, std::uint32_t access);

    std::map<platform::RegHandle, std::shared_ptr<Key>> roots_;
    std::map<platform::RegHandle, Handle> handles_;
    platform::RegHandle nextHandle_ = 0x1000;
    int openCalls_ = 0;
};

// String data as the registry holds it: the text in UTF-16 and a closing NUL.
std::vector<std::uint8_t> StringData(const std::string& text);

}  // namespace fakes
