#pragma once
// The backup file written before a repair: the ticked findings' values in
// registry export text (REGEDIT4), so that importing the file gives every
// value back with its type and bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Finding.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"

namespace scan {

struct BackupRow {
    const engine::Finding* finding;
    bool ticked;
};

struct BackupResult {
    bool written = false;       // the whole file is on the disk
    std::string path;           // the file's path (also when it could not be written)
    std::vector<bool> held;     // per row: its value is in the file and may be removed
    std::vector<bool> absent;   // per row: its value was found not to exist
};

// One value line (without the line end), in the system code page, for the
// value as it is now (its registry bytes: UTF-16 for the string types); false
// when no REGEDIT4 line can give it back exactly.
bool BackupValueLine(platform::CodePage& codePage, const std::string& valueName, std::uint32_t type,
                     const std::vector<std::uint8_t>& data, std::string* line);

// "Backup (" stamp ").reg" with "/" and ":" made safe for a file name.
std::string BackupFileName(const std::string& dateTimeText, int copy);

BackupResult WriteBackupFile(const std::vector<BackupRow>& rows, platform::Registry& registry,
                             platform::FileSystem& files, platform::CodePage& codePage,
                             const std::string& dateTimeText);

}  // namespace scan
