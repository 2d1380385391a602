#pragma once
// Access to the profile ro.ini, one key at a time; nothing is cached.
#include <string>

#include "platform/Profile.h"

namespace profile {

constexpr const char* kProfileName = "\\ro.ini";
constexpr const char* kSettings = "Settings";
constexpr const char* kRecords = "Records";

// The value's text with blanks around it removed; empty for anything missing.
std::string ReadProfileValue(platform::Profile& store, const std::string& file, const std::string& section,
                             const std::string& key);
// True when the value was written.
bool WriteProfileValue(platform::Profile& store, const std::string& file, const std::string& section,
                       const std::string& key, const std::string& value);

// "BackupBeforeFix" as a number. A profile without it, or with text that is
// no number, backs up: such a value reads as 1.
int ReadBackupBeforeFix(platform::Profile& store, const std::string& file);

// "CheckExpandable": only "1" is on. Off by default, so that expandable
// strings are left out of a scan, as they always were, until the user asks.
bool ReadCheckExpandable(platform::Profile& store, const std::string& file);
// "RestorePoint": a restore point before repair only when it is 1; off
// when missing.
bool ReadRestorePoint(platform::Profile& store, const std::string& file);

}  // namespace profile
