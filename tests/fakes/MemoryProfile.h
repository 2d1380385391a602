#pragma once
// Profile values held in memory, keyed by file, section and key.
#include <cstring>
#include <map>
#include <tuple>

#include "platform/Profile.h"

namespace fakes {

class MemoryProfile : public platform::Profile {
public:
    std::map<std::tuple<std::string, std::string, std::string>, std::string> values;
    bool failWrites = false;

    std::uint32_t GetString(const std::string& section, const std::string& key, const std::string& fallback,
                            char* buffer, std::uint32_t size, const std::string& file) override {
        auto it = values.find({file, section, key});
        const std::string text = it == values.end() ? fallback : it->second;
        const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
        return static_cast<std::uint32_t>(n);
    }
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) override {
        if (failWrites) return false;
        values[{file, section, key}] = value;
        return true;
    }
};

}  // namespace fakes
