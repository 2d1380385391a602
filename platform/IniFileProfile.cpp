#include "platform/IniFileProfile.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace platform {
namespace {

std::string Trim(const std::string& s) {
    const std::size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::vector<std::string> ReadLines(const std::string& file, bool* exists) {
    std::ifstream in(file, std::ios::binary);
    *exists = static_cast<bool>(in);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// "[name]" gives name; anything else is not a section line.
bool SectionName(const std::string& line, std::string* name) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    *name = Trim(t.substr(1, t.size() - 2));
    return true;
}

bool KeyLine(const std::string& line, std::string* key, std::string* value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    *key = Trim(line.substr(0, eq));
    *value = Trim(line.substr(eq + 1));
    return true;
}

}  // namespace

std::uint32_t IniFileProfile::GetString(const std::string& section, const std::string& key,
                                        const std::string& fallback, char* buffer, std::uint32_t size,
                                        const std::string& file) {
    if (size == 0) return 0;
    bool exists = false;
    std::string found = fallback;
    bool inSection = false;
    for (const std::string& line : ReadLines(file, &exists)) {
        std::string name, k, v;
        if (SectionName(line, &name)) {
            inSection = SameName(name, section);
        } else if (inSection && KeyLine(line, &k, &v) && SameName(k, key)) {
            found = v;
            break;
        }
    }
    const std::size_t copied = std::min<std::size_t>(found.size(), size - 1);
    std::memcpy(buffer, found.data(), copied);
    buffer[copied] = '\0';
    return static_cast<std::uint32_t>(copied);
}

bool IniFileProfile::WriteString(const std::string& section, const std::string& key, const std::string& value,
                                 const std::string& file) {
    bool exists = false;
    std::vector<std::string> lines = ReadLines(file, &exists);
    const std::string entry = key + "=" + value;
    bool inSection = false, done = false;
    std::size_t sectionEnd = std::string::npos;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        std::string name, k, v;
        if (SectionName(lines[i], &name)) {
            if (inSection) break;
            inSection = SameName(name, section);
            if (inSection) sectionEnd = i + 1;
        } else if (inSection) {
            if (KeyLine(lines[i], &k, &v) && SameName(k, key)) {
                lines[i] = entry;
                done = true;
            } else if (!Trim(lines[i]).empty()) {
                sectionEnd = i + 1;
            }
        }
    }
    if (!done) {
        if (sectionEnd == std::string::npos) {
            lines.push_back("[" + section + "]");
            sectionEnd = lines.size();
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), entry);
    }
    std::ostringstream text;
    for (const std::string& line : lines) text << line << "\r\n";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text.str();
    out.close();
    return static_cast<bool>(out);
}

}  // namespace platform
