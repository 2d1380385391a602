#include "controls/PropertyStore.h"

#include <algorithm>
#include <cctype>

namespace controls {

bool NameLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) < std::tolower(y);
    });
}

std::optional<PropertyStore::Value> MemoryPropertyStore::Find(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::int64_t PropertyStore::ReadInt(const std::string& name, std::int64_t fallback) const {
    auto v = Find(name);
    if (!v) return fallback;
    if (auto* i = std::get_if<std::int64_t>(&*v)) return *i;
    if (auto* b = std::get_if<bool>(&*v)) return *b ? -1 : 0;
    return fallback;
}

bool PropertyStore::ReadBool(const std::string& name, bool fallback) const {
    auto v = Find(name);
    if (!v) return fallback;
    if (auto* b = std::get_if<bool>(&*v)) return *b;
    if (auto* i = std::get_if<std::int64_t>(&*v)) return *i != 0;
    return fallback;
}

std::string PropertyStore::ReadText(const std::string& name, const std::string& fallback) const {
    auto v = Find(name);
    if (!v) return fallback;
    if (auto* s = std::get_if<std::string>(&*v)) return *s;
    return fallback;
}

platform::Font PropertyStore::ReadFont(const std::string& name, const platform::Font& fallback) const {
    auto v = Find(name);
    if (!v) return fallback;
    if (auto* f = std::get_if<platform::Font>(&*v)) return *f;
    return fallback;
}

void PropertyStore::WriteInt(const std::string& name, std::int64_t value, std::int64_t fallback) {
    if (value == fallback) Remove(name); else Put(name, value);
}
void PropertyStore::WriteBool(const std::string& name, bool value, bool fallback) {
    if (value == fallback) Remove(name); else Put(name, value);
}
void PropertyStore::WriteText(const std::string& name, const std::string& value, const std::string& fallback) {
    if (value == fallback) Remove(name); else Put(name, value);
}
void PropertyStore::WriteFont(const std::string& name, const platform::Font& value, const platform::Font& fallback) {
    if (value == fallback) Remove(name); else Put(name, value);
}

}  // namespace controls
