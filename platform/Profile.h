#pragma once
// The private profile (INI) functions of the system.
#include <cstdint>
#include <string>

namespace platform {

class Profile {
public:
    virtual ~Profile() = default;
    // GetPrivateProfileStringW: copies at most size-1 bytes of UTF-8 and a NUL,
    // returns the number of characters copied.
    virtual std::uint32_t GetString(const std::string& section, const std::string& key,
                                    const std::string& fallback, char* buffer, std::uint32_t size,
                                    const std::string& file) = 0;
    // WritePrivateProfileStringW: true on success.
    virtual bool WriteString(const std::string& section, const std::string& key,
                             const std::string& value, const std::string& file) = 0;
};

}  // namespace platform
