#pragma once
// The line of --version that says where this copy keeps each user's files.
#include <string>

#include "platform/FileSystem.h"

namespace cli {

// "Data folder: " and the folder of the profile, the backups and the ignore
// list, ending in a line break.
std::string DataFolderLine(platform::FileSystem& files);

}  // namespace cli
