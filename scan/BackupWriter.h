#pragma once
// The backup file written before a repair: the ticked findings' values in
// registry export text, so that importing the file gives every value back
// with its type and bytes. REGEDIT4 in the code page whenever it can hold
// every value; the registry editor's own Unicode export when it cannot.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Finding.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "scan/ValueRemoval.h"

namespace scan {

// The file is written under another name and takes its own only when it
// reads back as exactly the values it is to hold; one that does not is
// deleted.
struct BackupResult {
    bool written = false;   // the whole file reached the disk
    bool verified = false;  // and read back as exactly the values it was to hold: it is there under `path`
    std::string path;      // the file's path (also when it could not be written)
    bool stopped = false;  // the step stopped it: no file was written
    // Per finding: KeptByBackup when its value is not in the file and must
    // stay, AlreadyGone when it was found not to exist; None when it is held
    // (and may be removed) or is not ticked. Only a written file's answer
    // counts.
    std::vector<engine::Outcome> outcomes;
};

// One value line (without the line end), in the system code page, for the
// value as it is now (its registry bytes: UTF-16 for the string types); false
// when no REGEDIT4 line can give it back exactly.
bool BackupValueLine(platform::CodePage& codePage, const std::string& valueName, std::uint32_t type,
                     const std::vector<std::uint8_t>& data, std::string* line);

// The same for a "Windows Registry Editor Version 5.00" file, in the
// program's text (the file is UTF-16): every string that is not plain text
// ending in one NUL is given as its exact bytes. False only for a name no
// line can hold (one with a line end).
bool BackupValueLine5(const std::string& valueName, std::uint32_t type, const std::vector<std::uint8_t>& data,
                      std::string* line);

// "Backup (" stamp ").reg" with "/" and ":" made safe for a file name.
std::string BackupFileName(const std::string& dateTimeText, int copy);

// The ticked findings, in their order. `keys`: the repair's open keys, when
// the removal is to reach the same keys after it (each key is then opened
// for the removal too where the registry allows it); `step`: told after each
// ticked value is taken up.
BackupResult WriteBackupFile(const std::vector<engine::Finding>& findings, platform::Registry& registry,
                             platform::FileSystem& files, platform::CodePage& codePage,
                             const std::string& dateTimeText, OpenKeys* keys = nullptr,
                             const RepairStep& step = {});

}  // namespace scan
