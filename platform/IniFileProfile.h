#pragma once
// A private profile reader and writer for systems without the Windows
// profile functions: same layout, same answers to the calls the program makes.
#include "platform/Profile.h"

namespace platform {

class IniFileProfile : public Profile {
public:
    std::uint32_t GetString(const std::string& section, const std::string& key, const std::string& fallback,
                            char* buffer, std::uint32_t size, const std::string& file) override;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) override;
};

}  // namespace platform
