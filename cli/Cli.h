#pragma once
// varnholt-cli: the scan, the repair, the backups and their restore, run
// from a command line with the program's own walk, rules, backup writer,
// removal, profile and records, and reported in text, JSON or CSV.
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Console.h"
#include "platform/EventLog.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/SystemRestore.h"
#include "platform/Ui.h"

namespace cli {

// Exit codes.
constexpr int kExitDone = 0;      // nothing found, or everything done
constexpr int kExitFindings = 1;  // scan: findings listed
constexpr int kExitError = 2;     // usage, registry or file failure
constexpr int kExitPartly = 3;    // some values were kept, or could not be removed or restored, or the repair was stopped

struct Services {
    platform::Registry& registry;
    platform::FileSystem& files;
    platform::CodePage& codePage;  // of the backup files
    platform::Profile& profile;
    platform::Console& console;
    platform::UiServices& clock;  // its clock only: the time of day and the date-and-time text
    platform::Machine& machine;   // what each report names first
    // Where each repair and restore is recorded for administrators; none when null.
    platform::EventLog* eventLog = nullptr;
    platform::Environment* environment = nullptr;  // for --expandable; without it no variable is known
    platform::SystemRestore* systemRestore = nullptr;  // repair --restore-point; null: the system has none
};

// Runs the command of `args` (the arguments after the program's name) and
// gives the exit code.
int RunCommandLine(const std::vector<std::string>& args, Services& services);

}  // namespace cli
