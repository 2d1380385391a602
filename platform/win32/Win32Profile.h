#pragma once
#include "platform/Profile.h"

namespace platform::win32 {

// The private profile functions of kernel32. Always given a full path: a
// bare file name would mean the Windows folder.
class Win32Profile : public platform::Profile {
public:
    std::uint32_t GetString(const std::string& section, const std::string& key, const std::string& fallback,
                            char* buffer, std::uint32_t size, const std::string& file) override;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) override;
};

}  // namespace platform::win32
