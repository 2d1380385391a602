#pragma once
// The restore point a repair asks Windows for when the user wants one: made
// after the backup and before the first removal, closed after the last. It
// never stops a repair: the backup stays the undo, and the user is told
// which of the four it was.
#include <cstdint>
#include <string>

#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/SystemRestore.h"
#include "platform/Ui.h"

namespace scan {

enum class RestorePointOutcome {
    NotAsked,      // the setting is off, or nothing was to be removed
    Made,          // a new point
    Kept,          // Windows gave the point it made within the last 24 hours
    MayHaveKept,   // a point, new or from the last 24 hours: Windows does not say which
    NotAvailable,  // System Protection off, no System Restore, not an administrator
    Failed,
};

struct RestorePointResult {
    RestorePointOutcome outcome = RestorePointOutcome::NotAsked;
    std::int64_t number = 0;  // of Made, Kept, MayHaveKept
    std::uint32_t error = 0;  // of NotAvailable, Failed: the system's status
};

// Where the restore point of a repair comes from. `system` null: the
// platform has none.
struct RestorePointServices {
    platform::SystemRestore* system;
    platform::Registry& registry;  // the frequency Windows makes points at
    platform::Profile& profile;    // the number the program was given last
    std::string profilePath;
    platform::UiServices& ui;  // waits for the system, the windows alive
};

// Asks for a restore point and waits for the answer, however long it takes.
RestorePointResult BeginRestorePoint(const RestorePointServices& s);
// Ends the point begun (nothing for any other outcome); `changed`: whether
// the repair removed anything after it.
void EndRestorePoint(const RestorePointServices& s, const RestorePointResult& point, bool changed);

// The line of the repair's message in the window.
std::string RestorePointLine(const RestorePointResult& point);
// For the reports: "made", "kept", "may have kept", "not available", "failed".
const char* RestorePointOutcomeName(RestorePointOutcome outcome);
// Why it is not available or failed; empty otherwise.
std::string RestorePointReason(const RestorePointResult& point);

}  // namespace scan
