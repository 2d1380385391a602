#include "cli/DataFolderText.h"

#include "profile/DataFolder.h"

namespace cli {

std::string DataFolderLine(platform::FileSystem& files) { return "Data folder: " + profile::DataFolder(files) + "\r\n"; }

}  // namespace cli
