#pragma once
// The Application event an administrator collects for every repair and
// every restore: what became of the values, the backup file, the user and
// the categories. Written once, at the end; an event that cannot be written
// changes nothing of what was done.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Categories.h"
#include "engine/Finding.h"
#include "platform/EventLog.h"
#include "scan/BackupRestore.h"

namespace scan {

// The messages of the program's message table (app/messages.mc gives their
// texts under the same numbers).
enum EventMessage : std::uint32_t {
    kRepairEvent = 1000,          // %1 counts by outcome, %2 backup file, %3 user, %4 categories
    kRepairRefusedEvent = 1001,   // %1 what failed of the backup, %2 to %4 as above
    kRestoreEvent = 1002,         // %1 counts by outcome, %2 backup file, %3 user
    kRestoreRefusedEvent = 1003,  // %1 why nothing was written, %2 backup file, %3 user
};

// What a restore calls an outcome: "restored", "already equal", "failed".
const char* RestoreName(Restore outcome);

// A repair that ran: information when every value it took up is gone,
// a warning when a value was kept, not removed, or the repair stopped.
// `backup` is empty when none was written. The log may be null (none given).
void WriteRepairEvent(platform::EventLog* log, const std::vector<engine::Finding>& findings, const std::string& backup,
                      const std::string& user, const engine::CategorySet& categories);
// A repair whose backup could not be written, or was written but did not
// read back as its values, so that nothing was removed: an error.
void WriteRepairRefusedEvent(platform::EventLog* log, bool written, const std::string& backup, const std::string& user,
                             const engine::CategorySet& categories);
// A restore that ran: information, or a warning when a value failed.
void WriteRestoreEvent(platform::EventLog* log, const std::vector<RestoredValue>& values, const std::string& file,
                       const std::string& user);
// A restore that wrote nothing (the file cannot be read whole): an error.
void WriteRestoreRefusedEvent(platform::EventLog* log, const std::string& why, const std::string& file,
                              const std::string& user);

}  // namespace scan
