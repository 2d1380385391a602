#include "platform/win32/Win32Profile.h"

#include <windows.h>

namespace platform::win32 {

std::uint32_t Win32Profile::GetString(const std::string& section, const std::string& key,
                                      const std::string& fallback, char* buffer, std::uint32_t size,
                                      const std::string& file) {
    return GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer, size, file.c_str());
}

bool Win32Profile::WriteString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& file) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

}  // namespace platform::win32
