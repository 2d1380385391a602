#pragma once
// The restore of a backup by the program itself: each value written back
// with its exact name, type and bytes, read back and compared, so that the
// user learns which values came back.
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "scan/BackupReader.h"

namespace scan {

enum class Restore { Restored, AlreadyEqual, Failed };

struct RestoredValue {
    BackupValue value;
    Restore outcome;
    std::string reason;  // why it failed; empty otherwise
};

// Writes every value back, creating its key where it is gone.
std::vector<RestoredValue> RestoreBackupValues(platform::Registry& registry, const std::vector<BackupValue>& values);

}  // namespace scan
