#include "profile/ModuleNormal.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace profile {

std::string ReadProfileValue(platform::Profile& store, const std::string& file, const std::string& section,
                             const std::string& key) {
    char buffer[255] = {};
    if (store.GetString(section, key, "", buffer, sizeof buffer, file) == 0) return {};
    std::string text(buffer);
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool WriteProfileValue(platform::Profile& store, const std::string& file, const std::string& section,
                       const std::string& key, const std::string& value) {
    return store.WriteString(section, key, value, file);
}

int ReadBackupBeforeFix(platform::Profile& store, const std::string& file) {
    const std::string text = ReadProfileValue(store, file, kSettings, "BackupBeforeFix");
    if (text.empty()) return 1;
    errno = 0;
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno != 0 || !std::isfinite(number)) return 1;
    const double rounded = std::nearbyint(number);  // halves to even
    // A number out of range is still a number, just not 0, 1 or 2.
    if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max()) return -1;
    return static_cast<int>(rounded);
}

}  // namespace profile
