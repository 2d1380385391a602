#include "contract/RegistrySandbox.h"
#include "fakes/MemoryRegistry.h"

namespace {

class MemorySandbox : public RegistrySandbox {
public:
    MemorySandbox() { store.AddKey(kHkcu, base()); }
    platform::Registry& registry() override { return store; }
    std::string base() const override { return "Software\\VarnholtTest"; }
    void AddKey(const std::string& path) override { store.AddKey(kHkcu, Path(path)); }
    void SetValue(const std::string& path, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) override {
        store.SetValue(kHkcu, Path(path), name, type, data);
    }
    bool ValueExists(const std::string& path, const std::string& name) override {
        return store.ValueExists(kHkcu, Path(path), name);
    }
    fakes::MemoryRegistry store;
    static constexpr platform::RegHandle kHkcu = platform::kHkeyCurrentUser;
};

}  // namespace

std::unique_ptr<RegistrySandbox> MakeRegistrySandbox() { return std::make_unique<MemorySandbox>(); }
