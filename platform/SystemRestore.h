#pragma once
// The system's restore points (srclient's SRSetRestorePointW): one asked for
// before a repair changes the registry, and closed once it is over.
#include <cstdint>
#include <string>

namespace platform {

// What the system answered.
struct RestorePointAnswer {
    bool succeeded = false;   // the call returned TRUE
    std::uint32_t status = 0; // its STATEMGRSTATUS.nStatus: the error when it failed
    std::int64_t sequence = 0;  // the point's number when it succeeded
};

// The status when the system has no restore points at all (no srclient.dll,
// as on Windows Server, or no SRSetRestorePointW in it).
constexpr std::uint32_t kRestorePointsMissing = 126;  // ERROR_MOD_NOT_FOUND

class SystemRestore {
public:
    virtual ~SystemRestore() = default;
    // BEGIN_SYSTEM_CHANGE, MODIFY_SETTINGS, with the description the user
    // sees in the list of restore points. Takes from seconds to many
    // minutes: called on a thread of its own.
    virtual RestorePointAnswer Begin(const std::string& description) = 0;
    // END_SYSTEM_CHANGE for the point `sequence`, or CANCEL_SYSTEM_CHANGE
    // when nothing was changed after all.
    virtual void End(std::int64_t sequence, bool changed) = 0;
};

}  // namespace platform
