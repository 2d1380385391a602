#pragma once
// The report of varnholt-cli in its three formats: text for people, JSON
// and CSV (RFC 4180, UTF-8 with a byte-order mark) for scripts.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/CommandLine.h"

namespace cli {

// One finding: where the value is, what it holds, why it is listed and, after
// a repair, what became of it.
struct FindingRow {
    std::string root, keyPath, valueName;
    std::string type;         // "REG_SZ", ...
    std::string data;         // the value's data as the scan window shows it
    std::string missingFile;  // the path looked for and found missing, as written
    std::string category;     // the home page box's caption
    std::string match;        // "VALUE NAME" or "VALUE VALUE"
    std::string outcome;      // repair: "repaired", "kept", "not removed" or "already gone"
};

// One value of a restored backup.
struct RestoreRow {
    std::string key, valueName, type;
    std::string outcome;  // "restored", "already equal" or "failed"
    std::string reason;   // why it failed
};

struct Report {
    Command command = Command::Scan;
    std::vector<FindingRow> findings;  // scan, repair
    std::string backup;                // repair: the backup file's path; empty when none was written
    std::string folder;                // backups: the folder listed
    std::vector<std::string> files;    // backups: the file names
    std::string file;                  // restore: the file restored
    std::vector<RestoreRow> restored;  // restore
};

std::string FormatReport(const Report& report, Format format);

// "REG_SZ" and the other names of the value types; a number for any other.
std::string TypeName(std::uint32_t type);

}  // namespace cli
