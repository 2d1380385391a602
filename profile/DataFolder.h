#pragma once
// Where each user's files live: the profile ro.ini, the backup folder
// RegBackups and the ignore list.
#include <string>

#include "platform/FileSystem.h"

namespace profile {

// The file the MSI installs beside the executable. It alone tells a copy
// installed by the MSI from the portable zip: write access is no sign, an
// administrator may write to Program Files and a user may not.
constexpr const char* kInstalledMarkerName = "\\installed.txt";

// The folder of the user's files, without a trailing backslash. The portable
// copy keeps them beside the executable, as it always has. A copy installed
// by the MSI lies in Program Files, which a standard user cannot write to and
// every user of the machine shares, so it keeps them in the user's own
// %LOCALAPPDATA%\Varnholt, made here when it is missing.
std::string DataFolder(platform::FileSystem& files);

}  // namespace profile
