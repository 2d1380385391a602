#include <windows.h>

#include <stdexcept>

#include "contract/RegistrySandbox.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/WideText.h"

using platform::win32::Wide;

namespace {

// A scratch key of this process under HKCU\Software, deleted with its tree.
class RealSandbox : public RegistrySandbox {
public:
    RealSandbox() : base_("Software\\VarnholtTest" + std::to_string(GetCurrentProcessId())) {
        RegDeleteTreeW(HKEY_CURRENT_USER, Wide(base_).c_str());
        AddKey("");
    }
    ~RealSandbox() override { RegDeleteTreeW(HKEY_CURRENT_USER, Wide(base_).c_str()); }
    platform::Registry& registry() override { return real; }
    std::string base() const override { return base_; }
    void AddKey(const std::string& path) override {
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(Path(path)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create " + Path(path));
        RegCloseKey(key);
    }
    void SetValue(const std::string& path, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) override {
        AddKey(path);
        if (RegSetKeyValueW(HKEY_CURRENT_USER, Wide(Path(path)).c_str(), Wide(name).c_str(), type, data.data(),
                            static_cast<DWORD>(data.size())) != ERROR_SUCCESS)
            throw std::runtime_error("cannot set " + name);
    }
    bool ValueExists(const std::string& path, const std::string& name) override {
        return RegGetValueW(HKEY_CURRENT_USER, Wide(Path(path)).c_str(), Wide(name).c_str(), RRF_RT_ANY, nullptr, nullptr,
                            nullptr) == ERROR_SUCCESS;
    }

private:
    std::string base_;
    platform::win32::Win32Registry real;
};

}  // namespace

std::unique_ptr<RegistrySandbox> MakeRegistrySandbox() { return std::make_unique<RealSandbox>(); }
