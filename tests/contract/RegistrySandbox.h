#pragma once
// A scratch key under HKEY_CURRENT_USER\Software in one registry
// implementation, created for a test and removed after it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"

class RegistrySandbox {
public:
    virtual ~RegistrySandbox() = default;
    virtual platform::Registry& registry() = 0;
    // The scratch key's path below HKEY_CURRENT_USER.
    virtual std::string base() const = 0;
    // Paths below the scratch key ("" is the scratch key itself).
    virtual void AddKey(const std::string& path) = 0;
    virtual void SetValue(const std::string& path, const std::string& name, std::uint32_t type,
                          const std::vector<std::uint8_t>& data) = 0;
    virtual bool ValueExists(const std::string& path, const std::string& name) = 0;

    std::string Path(const std::string& sub) const { return sub.empty() ? base() : base() + "\\" + sub; }
};

std::unique_ptr<RegistrySandbox> MakeRegistrySandbox();
