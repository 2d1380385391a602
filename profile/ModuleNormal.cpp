#include "profile/ModuleNormal.h"

#include <cctype>
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
    // Only a plain decimal number ("2", "-1", "2.5") is a number here; the
    // conversion below would also read "0x0", "inf" or "1e3".
    std::size_t at = text[0] == '+' || text[0] == '-' ? 1 : 0;
    std::size_t digits = 0;
    for (bool point = false; at < text.size(); ++at) {
        if (std::isdigit(static_cast<unsigned char>(text[at]))) ++digits;
        else if (text[at] == '.' && !point) point = true;
        else return 1;
    }
    if (digits == 0) return 1;
    errno = 0;
    const double number = std::strtod(text.c_str(), nullptr);
    if (errno != 0) return 1;
    const double rounded = std::nearbyint(number);  // halves to even
    // A number out of range is still a number, just not 0, 1 or 2.
    if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max()) return -1;
    return static_cast<int>(rounded);
}

bool ReadCheckExpandable(platform::Profile& store, const std::string& file) {
    return ReadProfileValue(store, file, kSettings, "CheckExpandable") == "1";
}

bool ReadRestorePoint(platform::Profile& store, const std::string& file) {
    return ReadProfileValue(store, file, kSettings, "RestorePoint") == "1";
}

}  // namespace profile
