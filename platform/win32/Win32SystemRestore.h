#pragma once
// Restore points through srclient.dll, loaded when first asked for: Windows
// Server has none, and a program that linked it would not start there.
#include <windows.h>

#include "platform/SystemRestore.h"

namespace platform::win32 {

class Win32SystemRestore final : public platform::SystemRestore {
public:
    Win32SystemRestore() = default;
    ~Win32SystemRestore() override;
    Win32SystemRestore(const Win32SystemRestore&) = delete;
    Win32SystemRestore& operator=(const Win32SystemRestore&) = delete;

    RestorePointAnswer Begin(const std::string& description) override;
    void End(std::int64_t sequence, bool changed) override;

private:
    using SetRestorePoint = BOOL(WINAPI*)(void* info, void* status);
    RestorePointAnswer Call(DWORD eventType, DWORD pointType, std::int64_t sequence, const std::string& description);

    HMODULE library_ = nullptr;
    SetRestorePoint set_ = nullptr;
};

}  // namespace platform::win32
