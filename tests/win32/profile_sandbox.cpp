#include <windows.h>

#include <fstream>
#include <sstream>

#include "contract/ProfileSandbox.h"
#include "platform/win32/Win32Profile.h"

std::unique_ptr<platform::Profile> MakeProfile() { return std::make_unique<platform::win32::Win32Profile>(); }

std::string FreshProfilePath(const std::string& name) {
    static int serial = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "varnholt-profile-" + std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(++serial);
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\" + name;
    DeleteFileA(path.c_str());
    return path;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
