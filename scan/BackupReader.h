#pragma once
// The reader of the backup file: the values of a REGEDIT4 text (or of the
// registry editor's Unicode export), read as the
// registry editor imports them, so that a backup can be checked before
// anything it holds is removed and given back by the program itself.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/CodePage.h"

namespace scan {

// The first line of the registry editor's own export, a UTF-16LE file with
// a byte-order mark.
constexpr const char* kRegedit5Header = "Windows Registry Editor Version 5.00";

struct BackupValue {
    std::string key;   // as its [key] line names it: root name, backslash, path
    std::string name;  // empty for the default value
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;  // the registry's bytes: UTF-16 for the string types
    bool operator==(const BackupValue&) const = default;
};

// The comment line right after the header that tells how many values the
// file holds: "; <N> values".
std::string BackupCountLine(std::size_t values);

// Every value of the file in order; nothing when the file is neither
// REGEDIT4 nor the Unicode export, or any line of it would not import
// exactly, or when it is cut short: it holds another number of values than
// its count line tells, its last line has no line end after it, or a
// REGEDIT4 string given as bytes lacks its closing NUL. A file without the
// count line (as backups were written before it) is read without the first
// two checks.
std::optional<std::vector<BackupValue>> ReadBackupFile(platform::CodePage& codePage, const std::string& bytes);

}  // namespace scan
