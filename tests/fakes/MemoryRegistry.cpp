#include "fakes/MemoryRegistry.h"

#include <algorithm>
#include <stdexcept>

#include "platform/Text.h"

namespace fakes {
namespace {

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (from <= path.size() && !path.empty()) {
        const std::size_t at = path.find('\\', from);
        parts.push_back(path.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) break;
        from = at + 1;
    }
    return parts;
}

// The path as the registry takes it in one call: cut, without an error, to
// its first kMaxKeyPathUnits UTF-16 units.
std::string AsTaken(const std::string& path) {
    const std::u16string units = platform::Utf8ToUtf16(path);
    if (units.size() <= platform::kMaxKeyPathUnits) return path;
    return platform::Utf16ToUtf8(std::u16string_view(units).substr(0, platform::kMaxKeyPathUnits));
}

}  // namespace

std::vector<std::uint8_t> StringData(const std::string& text) {
    std::vector<std::uint8_t> bytes = platform::Utf8ToUtf16Bytes(text);
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

bool MemoryRegistry::NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Fold(x) < Fold(y); });
}

MemoryRegistry::MemoryRegistry() {
    // HKEY_LOCAL_MACHINE and HKEY_USERS are named as the registry names its
    // hives, so a key reached through a link into them tells its real place.
    // The other roots are trees of their own here (a value put under one is
    // not seen under another that would show it on a real system), named
    // only by the root: a place there is the walk's own.
    const char* names[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "\\REGISTRY\\MACHINE", "\\REGISTRY\\USER",
                           "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG"};
    for (platform::RegHandle h = platform::kHkeyClassesRoot; h <= platform::kHkeyCurrentConfig; ++h) {
        auto key = std::make_shared<Key>();
        key->name = key->fullPath = names[h - platform::kHkeyClassesRoot];
        roots_[h] = key;
    }
    // HKEY_DYN_DATA is missing, as on every current system.
}

std::shared_ptr<MemoryRegistry::Key> MemoryRegistry::Resolve(platform::RegHandle handle) const {
    if (auto root = roots_.find(handle); root != roots_.end()) return root->second;
    if (auto open = handles_.find(handle); open != handles_.end()) return open->second.key;
    return nullptr;
}

std::shared_ptr<MemoryRegistry::Key> MemoryRegistry::Find(platform::RegHandle base, const std::string& path,
                                                          bool create, bool openLink) {
    std::shared_ptr<Key> key = Resolve(base);
    const std::vector<std::string> parts = SplitPath(path);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (!key || part.empty()) return nullptr;
        auto it = key->subkeys.find(part);
        if (it == key->subkeys.end()) {
            if (!create) return nullptr;
            auto sub = std::make_shared<Key>();
            sub->name = part;
            sub->fullPath = key->fullPath + '\\' + part;
            it = key->subkeys.emplace(part, sub).first;
        }
        key = it->second;
        if (openLink && i + 1 == parts.size()) break;
        // A link is opened as the key it leads to; a chain of them as long
        // as the system follows, and no further.
        for (int hops = 0; key && key->isLink; ++hops) key = hops < 16 ? key->link.lock() : nullptr;
    }
    return key;
}

platform::RegHandle MemoryRegistry::NewHandle(std::shared_ptr<Key> key, std::uint32_t access) {
    const platform::RegHandle handle = nextHandle_++;
    handles_[handle] = Handle{std::move(key), access};
    return handle;
}

void MemoryRegistry::AddKey(platform::RegHandle root, const std::string& path) {
    if (!Find(root, path, true)) throw std::logic_error("bad key path " + path);
}

void MemoryRegistry::SetValue(platform::RegHandle root, const std::string& path, const std::string& name,
                              std::uint32_t type, const std::vector<std::uint8_t>& data) {
    auto key = Find(root, path, true);
    if (!key) throw std::logic_error("bad key path " + path);
    if (auto it = key->valueIndex.find(name); it != key->valueIndex.end()) {
        key->values[it->second] = Value{name, type, data};
        return;
    }
    key->valueIndex[name] = key->values.size();
    key->values.push_back(Value{name, type, data});
}

void MemoryRegistry::SetString(platform::RegHandle root, const std::string& path, const std::string& name,
                               const std::string& text) {
    SetValue(root, path, name, platform::kRegSz, StringData(text));
}

bool MemoryRegistry::KeyExists(platform::RegHandle root, const std::string& path) const {
    return const_cast<MemoryRegistry*>(this)->Find(root, path, false) != nullptr;
}

bool MemoryRegistry::ValueExists(platform::RegHandle root, const std::string& path, const std::string& name) const {
    return FindValue(root, path, name) != nullptr;
}

void MemoryRegistry::AddLink(platform::RegHandle root, const std::string& path, platform::RegHandle targetRoot,
                             const std::string& target) {
    const std::size_t cut = path.rfind('\\');
    auto parent = cut == std::string::npos ? Resolve(root) : Find(root, path.substr(0, cut), true);
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    // The target first: one that runs through the link's own path would
    // take the link's place, and is refused with the name taken.
    auto targetKey = Find(targetRoot, target, true);
    if (!parent || name.empty() || parent->subkeys.count(name)) throw std::logic_error("bad link path " + path);
    auto link = std::make_shared<Key>();
    link->name = name;
    link->fullPath = parent->fullPath + '\\' + name;
    link->isLink = true;
    SetLinkTarget(*link, targetKey);
    parent->subkeys.emplace(name, link);
}

void MemoryRegistry::SetLinkTarget(Key& link, const std::shared_ptr<Key>& target) {
    link.link = target;
    // The target's name in UTF-16, without a closing NUL, as links hold it.
    link.values.clear();
    link.valueIndex.clear();
    link.valueIndex["SymbolicLinkValue"] = 0;
    const std::string name = target ? target->fullPath : std::string("\\REGISTRY\\nowhere");
    link.values.push_back(Value{"SymbolicLinkValue", platform::kRegLink, platform::Utf8ToUtf16Bytes(name)});
}

void MemoryRegistry::RetargetLink(platform::RegHandle root, const std::string& path, platform::RegHandle targetRoot,
                                  const std::string& target) {
    auto link = Find(root, path, false, true);
    auto targetKey = Find(targetRoot, target, true);
    if (!link || !link->isLink || !targetKey) throw std::logic_error("bad link path " + path);
    SetLinkTarget(*link, targetKey);
}

void MemoryRegistry::RemoveKey(platform::RegHandle root, const std::string& path) {
    const std::size_t cut = path.rfind('\\');
    auto parent = cut == std::string::npos ? Resolve(root) : Find(root, path.substr(0, cut), false);
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    auto it = parent ? parent->subkeys.find(name) : decltype(parent->subkeys.end()){};
    if (!parent || it == parent->subkeys.end()) throw std::logic_error("no key " + path);
    const std::function<void(Key&)> markDeleted = [&](Key& key) {
        key.deleted = true;
        for (auto& [subName, sub] : key.subkeys)
            if (!sub->isLink) markDeleted(*sub);
    };
    markDeleted(*it->second);
    parent->subkeys.erase(it);
}

void MemoryRegistry::ShowRootAs(platform::RegHandle root, platform::RegHandle target, const std::string& path) {
    roots_[root] = Find(target, path, true);
}

void MemoryRegistry::RemoveRoot(platform::RegHandle root) { roots_.erase(root); }

void MemoryRegistry::DenyWrites(platform::RegHandle root, const std::string& path) {
    Find(root, path, true)->denyWrites = true;
}

void MemoryRegistry::OnOpen(platform::RegHandle root, const std::string& path, std::function<void()> hook) {
    Find(root, path, true)->onOpen = std::move(hook);
}

void MemoryRegistry::FailOpen(platform::RegHandle root, const std::string& path, long error) {
    Find(root, path, true)->openError = error;
}

void MemoryRegistry::FailEnumeration(platform::RegHandle root, const std::string& path, long error) {
    Find(root, path, true)->enumError = error;
}

long MemoryRegistry::OpenKeyEx(platform::RegHandle base, const std::string& path, std::uint32_t options,
                               std::uint32_t access, platform::RegHandle* out) {
    ++openCalls_;
    if (!Resolve(base)) return platform::kErrorInvalidHandle;
    // As the system's functions, which take names ended by a NUL.
    if (path.find('\0') != std::string::npos) return platform::kErrorInvalidName;
    auto key = Find(base, AsTaken(path), false, (options & platform::kRegOptionOpenLink) != 0);
    if (!key) return platform::kErrorFileNotFound;
    if (key->openError != platform::kErrorSuccess) return key->openError;
    if (key->onOpen) key->onOpen();
    *out = NewHandle(key, access);
    return platform::kErrorSuccess;
}

long MemoryRegistry::EnumKey(platform::RegHandle handle, std::uint32_t index, std::uint32_t nameChars,
                             std::string* name) {
    auto key = Resolve(handle);
    if (!key) return platform::kErrorInvalidHandle;
    if (key->deleted) return platform::kErrorKeyDeleted;
    if (key->enumError != platform::kErrorSuccess) return key->enumError;
    if (index >= key->subkeys.size()) return platform::kErrorNoMoreItems;
    const std::string& subName = std::next(key->subkeys.begin(), index)->second->name;
    if (platform::Utf16Length(subName) + 1 > nameChars) return platform::kErrorMoreData;
    *name = subName;
    return platform::kErrorSuccess;
}

long MemoryRegistry::EnumValue(platform::RegHandle handle, std::uint32_t index, std::uint32_t nameChars,
                               std::uint32_t dataBytes, std::string* name, std::uint32_t* type,
                               std::vector<std::uint8_t>* data) {
    auto key = Resolve(handle);
    if (!key) return platform::kErrorInvalidHandle;
    if (key->deleted) return platform::kErrorKeyDeleted;
    if (key->enumError != platform::kErrorSuccess) return key->enumError;
    if (index >= key->values.size()) return platform::kErrorNoMoreItems;
    const Value& value = key->values[index];
    if (platform::Utf16Length(value.name) + 1 > nameChars || value.data.size() > dataBytes)
        return platform::kErrorMoreData;
    *name = value.name;
    *type = value.type;
    *data = value.data;
    return platform::kErrorSuccess;
}

long MemoryRegistry::CloseKey(platform::RegHandle handle) {
    if (roots_.count(handle)) return platform::kErrorSuccess;
    return handles_.erase(handle) ? platform::kErrorSuccess : platform::kErrorInvalidHandle;
}

long MemoryRegistry::KeyName(platform::RegHandle handle, std::string* name) {
    auto key = Resolve(handle);
    if (!key) return platform::kErrorInvalidHandle;
    if (key->deleted) return platform::kErrorKeyDeleted;
    *name = key->fullPath;
    return platform::kErrorSuccess;
}

long MemoryRegistry::CreateKey(platform::RegHandle root, const std::string& path, platform::RegHandle* out) {
    if (!Resolve(root)) return platform::kErrorInvalidHandle;
    auto key = Find(root, AsTaken(path), true);
    if (!key) return platform::kErrorFileNotFound;
    *out = NewHandle(key, 0xF003F);
    return platform::kErrorSuccess;
}

long MemoryRegistry::SetValue(platform::RegHandle handle, const std::string& name, std::uint32_t type,
                              const std::vector<std::uint8_t>& data) {
    auto key = Resolve(handle);
    if (!key) return platform::kErrorInvalidHandle;
    if (key->deleted) return platform::kErrorKeyDeleted;
    auto open = handles_.find(handle);
    if (open != handles_.end() && !(open->second.access & platform::kKeySetValue)) return platform::kErrorAccessDenied;
    if (key->denyWrites) return platform::kErrorAccessDenied;
    if (name.find('\0') != std::string::npos) return platform::kErrorInvalidName;
    if (auto it = key->valueIndex.find(name); it != key->valueIndex.end()) {
        key->values[it->second] = Value{name, type, data};
    } else {
        key->valueIndex[name] = key->values.size();
        key->values.push_back(Value{name, type, data});
    }
    return platform::kErrorSuccess;
}

long MemoryRegistry::DeleteValue(platform::RegHandle handle, const std::string& name) {
    auto key = Resolve(handle);
    if (!key) return platform::kErrorInvalidHandle;
    if (key->deleted) return platform::kErrorKeyDeleted;
    auto open = handles_.find(handle);
    if (open != handles_.end() && !(open->second.access & platform::kKeySetValue)) return platform::kErrorAccessDenied;
    if (key->denyWrites) return platform::kErrorAccessDenied;
    auto it = key->valueIndex.find(name);
    if (it == key->valueIndex.end()) return platform::kErrorFileNotFound;
    key->values.erase(key->values.begin() + static_cast<std::ptrdiff_t>(it->second));
    key->valueIndex.clear();
    for (std::size_t i = 0; i < key->values.size(); ++i) key->valueIndex[key->values[i].name] = i;
    return platform::kErrorSuccess;
}

const MemoryRegistry::Value* MemoryRegistry::FindValue(platform::RegHandle root, const std::string& path,
                                                       const std::string& name) const {
    auto key = const_cast<MemoryRegistry*>(this)->Find(root, path, false);
    if (!key) return nullptr;
    auto it = key->valueIndex.find(name);
    return it == key->valueIndex.end() ? nullptr : &key->values[it->second];
}

long MemoryRegistry::QueryValue(platform::RegHandle handle, const std::string& name, std::uint32_t* type,
                                std::vector<std::uint8_t>* data) {
    auto key = Resolve(handle);
    if (!key) return platform::kErrorInvalidHandle;
    if (key->deleted) return platform::kErrorKeyDeleted;
    auto it = key->valueIndex.find(name);
    if (it == key->valueIndex.end()) return platform::kErrorFileNotFound;
    const Value* value = &key->values[it->second];
    *type = value->type;
    *data = value->data;
    return platform::kErrorSuccess;
}

std::vector<std::uint8_t> MemoryRegistry::Data(platform::RegHandle root, const std::string& path,
                                               const std::string& name) const {
    const Value* value = FindValue(root, path, name);
    if (!value) throw std::logic_error("no value " + name);
    return value->data;
}

}  // namespace fakes
