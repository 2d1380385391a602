#pragma once
// Where a button keeps its design settings between sessions: the host
// window's property store. Reading gives the default for an absent name;
// writing a value equal to its default stores nothing, so a store holds only
// what differs from the defaults. Names are matched without regard to case.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>

#include "platform/Canvas.h"

namespace controls {

class PropertyStore {
public:
    using Value = std::variant<bool, std::int64_t, std::string, platform::Font>;

    virtual ~PropertyStore() = default;
    virtual std::optional<Value> Find(const std::string& name) const = 0;
    virtual void Put(const std::string& name, const Value& value) = 0;
    virtual void Remove(const std::string& name) = 0;

    // A stored value of another kind counts as absent: a damaged entry must
    // not keep a button from loading. Integers and flags convert into each other.
    std::int64_t ReadInt(const std::string& name, std::int64_t fallback) const;
    bool ReadBool(const std::string& name, bool fallback) const;
    std::string ReadText(const std::string& name, const std::string& fallback) const;
    platform::Font ReadFont(const std::string& name, const platform::Font& fallback) const;

    void WriteInt(const std::string& name, std::int64_t value, std::int64_t fallback);
    void WriteBool(const std::string& name, bool value, bool fallback);
    void WriteText(const std::string& name, const std::string& value, const std::string& fallback);
    void WriteFont(const std::string& name, const platform::Font& value, const platform::Font& fallback);
};

// ASCII case folding: the store's names are plain identifiers.
struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

// A store in memory: what tests and the Win32 hosting hand to a button as
// its stored settings.
class MemoryPropertyStore final : public PropertyStore {
public:
    std::optional<Value> Find(const std::string& name) const override;
    void Put(const std::string& name, const Value& value) override { values_[name] = value; }
    void Remove(const std::string& name) override { values_.erase(name); }
    std::size_t Size() const { return values_.size(); }
    bool Has(const std::string& name) const { return values_.count(name) != 0; }

private:
    std::map<std::string, Value, NameLess> values_;
};

}  // namespace controls
