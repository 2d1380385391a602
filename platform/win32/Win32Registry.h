#pragma once
#include <vector>

#include "platform/Registry.h"

namespace platform::win32 {

// The registry operations over advapi32's wide functions.
class Win32Registry : public platform::Registry {
public:
    std::string CurrentUserSid() override;
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
    long QueryValue(platform::RegHandle key, const std::string& name,
                    std::uint32_t* type, std::vector<std::uint8_t>* data) override;

private:
    // The enumeration's buffers, kept between its steps.
    std::vector<wchar_t> name_;
    std::vector<std::uint8_t> data_;
    std::vector<std::uint8_t> keyName_ = std::vector<std::uint8_t>(1024);
};

}  // namespace platform::win32
