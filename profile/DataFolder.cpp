#include "profile/DataFolder.h"

namespace profile {

std::string DataFolder(platform::FileSystem& files) {
    const std::string appFolder = files.AppFolder();
    if (files.PathExists(appFolder + kInstalledMarkerName) != 1) return appFolder;
    const std::string localAppData = files.LocalAppDataDirectory();
    // Windows always names the folder; were it ever missing, the files stay
    // beside the executable, where a write that is refused says so as before.
    if (localAppData.empty()) return appFolder;
    const std::string folder = localAppData + "\\Varnholt";
    files.CreateFolder(folder);
    return folder;
}

}  // namespace profile
