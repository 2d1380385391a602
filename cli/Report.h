#pragma once
// The report of varnholt-cli in its three formats: text for people, JSON
// for scripts (exact), and CSV (RFC 4180, UTF-8 with a byte-order mark) for
// spreadsheet programs.
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
    std::string outcome;      // repair: "repaired", "kept", "not removed", "already gone" or "stopped"
    std::string reason;       // repair: why a value was kept; empty for the other outcomes
};

// One value of a restored backup.
struct RestoreRow {
    std::string key, valueName, type;
    std::string outcome;  // "restored", "already equal" or "failed"
    std::string reason;   // why it failed
};

// One backup file.
struct BackupRow {
    std::string name;  // without its folder
    std::string time;  // when it was written, ISO 8601 in UTC
    std::uint64_t size = 0;
};

// The restore point of `repair --restore-point`.
struct RestorePointRow {
    bool asked = false;   // --restore-point was given
    std::string outcome;  // "made", "kept", "may have kept", "not available", "failed"; empty when
                          // none was asked of Windows (nothing was left to remove)
    std::int64_t number = 0;  // of "made", "kept", "may have kept"
    std::string reason;       // of "not available", "failed"
};

struct Report {
    // What an administrator collecting the reports of many machines needs
    // first: where, by whom and when it was made, by which version.
    std::string computer, user, time, version;
    Command command = Command::Scan;
    std::vector<FindingRow> findings;  // scan, repair
    std::string backup;                // repair: the backup file's path; empty when none was written
    std::string summary;               // repair: the findings counted by outcome ("7 repaired, 5 already gone")
    RestorePointRow restorePoint;      // repair
    std::string folder;                // backups: the folder listed
    std::vector<BackupRow> files;      // backups: newest first
    std::string file;                  // restore: the file restored
    std::vector<RestoreRow> restored;  // restore
};

std::string FormatReport(const Report& report, Format format);

// "REG_SZ" and the other names of the value types; a number for any other.
std::string TypeName(std::uint32_t type);

// Seconds since 1970-01-01 UTC as ISO 8601, e.g. "2026-12-10T04:05:06Z".
std::string IsoUtcTime(std::int64_t seconds);

}  // namespace cli
