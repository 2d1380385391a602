#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "contract/ProfileSandbox.h"
#include "platform/IniFileProfile.h"

std::unique_ptr<platform::Profile> MakeProfile() { return std::make_unique<platform::IniFileProfile>(); }

std::string FreshProfilePath(const std::string& name) {
    static int serial = 0;
    const auto folder = std::filesystem::temp_directory_path() /
                        ("varnholt-profile-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
