#include "engine/IgnoreList.h"

#include <algorithm>
#include <string_view>

namespace engine {
namespace {

constexpr const char* kCrLf = "\r\n";

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Fold(x) == Fold(y); });
}

// The length of the UTF-8 character at `at`, or 0 when the bytes there are
// none (a lone surrogate, which the registry allows in a name, is none).
std::size_t CharacterLength(const std::string& s, std::size_t at) {
    auto byte = [&](std::size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0u; };
    auto follows = [&](std::size_t i, unsigned low = 0x80, unsigned high = 0xBF) { return byte(i) >= low && byte(i) <= high; };
    const unsigned lead = byte(at);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return follows(at + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        return follows(at + 1, low, high) && follows(at + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        return follows(at + 1, low, high) && follows(at + 2) && follows(at + 3) ? 4 : 0;
    }
    return 0;
}

std::string Escaped(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const std::size_t length = CharacterLength(text, at);
        if (c == '%' || c < 0x20 || c == 0x7F || length == 0) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
            ++at;
        } else {
            out.append(text, at, length);
            at += length;
        }
    }
    return out;
}

std::optional<std::string> Unescaped(const std::string& text) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '%') {
            out += text[at];
            continue;
        }
        if (at + 2 >= text.size()) return std::nullopt;
        const int high = digit(text[at + 1]), low = digit(text[at + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high << 4 | low);
        at += 2;
    }
    return out;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    for (std::size_t from = 0;;) {
        const std::size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        if (tab == std::string::npos) return fields;
        from = tab + 1;
    }
}

bool KnownRoot(const std::string& name) {
    for (const char* root : {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                             "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"})
        if (name == root) return true;
    return false;
}

bool StartsWithName(std::string_view path, std::string_view name) {
    return path.size() >= name.size() && SameText(path.substr(0, name.size()), name) &&
           (path.size() == name.size() || path[name.size()] == '\\');
}

std::string Joined(std::string_view head, std::string_view rest) {
    std::string path(head);
    if (!rest.empty()) {
        path += '\\';
        path += rest;
    }
    return path;
}

// The place as every root view of it reads, root first, its ASCII letters in
// upper case (keys compare without regard to case): HKEY_CURRENT_USER as the
// user's tree under HKEY_USERS, a "_Classes" tree as its user's
// Software\Classes, HKEY_CLASSES_ROOT as HKEY_LOCAL_MACHINE's classes and
// HKEY_CURRENT_CONFIG as the current hardware profile.
std::string Place(const std::string& rootName, std::string_view keyPath, const std::string& userSid) {
    std::string place;
    if (rootName == "HKEY_CLASSES_ROOT") {
        place = Joined("HKEY_LOCAL_MACHINE\\Software\\Classes", keyPath);
    } else if (rootName == "HKEY_CURRENT_CONFIG") {
        place = Joined("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current", keyPath);
    } else if (rootName == "HKEY_CURRENT_USER" && !userSid.empty()) {
        place = Joined("HKEY_USERS\\" + userSid, keyPath);
    } else if (rootName == "HKEY_USERS") {
        constexpr std::string_view kClasses = "_Classes";
        const std::size_t cut = std::min(keyPath.find('\\'), keyPath.size());
        const std::string_view user = keyPath.substr(0, cut);
        if (user.size() > kClasses.size() && SameText(user.substr(user.size() - kClasses.size()), kClasses))
            place = Joined("HKEY_USERS\\" + std::string(user.substr(0, user.size() - kClasses.size())) +
                               "\\Software\\Classes",
                           keyPath.substr(std::min(cut + 1, keyPath.size())));
        else
            place = Joined("HKEY_USERS", keyPath);
    } else {
        place = Joined(rootName, keyPath);
    }
    for (char& c : place) c = Fold(c);
    return place;
}

std::string ValueKey(const std::string& place, const std::string& valueName) {
    return std::to_string(place.size()) + '|' + place + valueName;
}

// What tells one entry from another, exactly as written.
std::string Identity(const IgnoreEntry& entry) {
    std::string identity = entry.rootName + '|' + std::to_string(entry.keyPath.size()) + '|' + entry.keyPath;
    if (entry.valueName) identity += '|' + *entry.valueName;
    return identity;
}

}  // namespace

std::string IgnoreLine(const IgnoreEntry& entry) {
    std::string line = entry.valueName ? "value\t" : "key\t";
    line += entry.rootName;
    line += '\t';
    line += Escaped(entry.keyPath);
    if (entry.valueName) {
        line += '\t';
        line += Escaped(*entry.valueName);
    }
    return line;
}

std::optional<IgnoreEntry> ParseIgnoreLine(const std::string& line) {
    const std::vector<std::string> fields = Fields(line);
    const bool isValue = fields[0] == "value";
    if (!(isValue && fields.size() == 4) && !(fields[0] == "key" && fields.size() == 3)) return std::nullopt;
    if (!KnownRoot(fields[1])) return std::nullopt;
    IgnoreEntry entry;
    entry.rootName = fields[1];
    const auto keyPath = Unescaped(fields[2]);
    if (!keyPath) return std::nullopt;
    entry.keyPath = *keyPath;
    if (isValue) {
        entry.valueName = Unescaped(fields[3]);
        if (!entry.valueName) return std::nullopt;
    }
    return entry;
}

IgnoreEntry EntryAt(const KeyPlace& place, const std::string& userSid, std::optional<std::string> valueName) {
    IgnoreEntry entry{RootKeyName(place.root), place.path, std::move(valueName)};
    if (place.root != platform::kHkeyUsers || userSid.empty()) return entry;
    const std::string classes = userSid + "_Classes";
    const std::string_view path = place.path;
    if (StartsWithName(path, classes)) {
        entry.rootName = "HKEY_CURRENT_USER";
        entry.keyPath = Joined("Software\\Classes", path.substr(std::min(classes.size() + 1, path.size())));
    } else if (StartsWithName(path, userSid)) {
        entry.rootName = "HKEY_CURRENT_USER";
        entry.keyPath = std::string(path.substr(std::min(userSid.size() + 1, path.size())));
    }
    return entry;
}

void IgnoreList::Load(const std::string& text) {
    lines_.clear();
    entries_.clear();
    count_ = 0;
    indexedFor_.reset();
    std::size_t from = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // as an editor may save it
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(from, end - from);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        from = end + 1;
        Line kept{ParseIgnoreLine(line), line};
        if (kept.entry && entries_.insert(Identity(*kept.entry)).second) ++count_;
        lines_.push_back(std::move(kept));
    }
}

std::string IgnoreList::Text() const {
    std::string text;
    for (const Line& line : lines_) text += line.text + kCrLf;
    return text;
}

void IgnoreList::Add(const IgnoreEntry& entry) {
    if (!entries_.insert(Identity(entry)).second) return;
    ++count_;
    lines_.push_back({entry, IgnoreLine(entry)});
    indexedFor_.reset();
}

void IgnoreList::Clear() {
    entries_.clear();
    count_ = 0;
    indexedFor_.reset();
    lines_.erase(std::remove_if(lines_.begin(), lines_.end(), [](const Line& line) { return line.entry.has_value(); }),
                 lines_.end());
}

void IgnoreList::Index(const std::string& userSid) const {
    values_.clear();
    keys_.clear();
    for (const Line& line : lines_) {
        if (!line.entry) continue;
        const std::string place = Place(line.entry->rootName, line.entry->keyPath, userSid);
        if (line.entry->valueName)
            values_.insert(ValueKey(place, *line.entry->valueName));
        else
            keys_.insert(place);
    }
    indexedFor_ = userSid;
}

bool IgnoreList::Covers(const std::string& rootName, const std::string& keyPath, const std::string& valueName,
                        const std::string& userSid) const {
    if (count_ == 0) return false;
    if (indexedFor_ != userSid) Index(userSid);
    const std::string place = Place(rootName, keyPath, userSid);
    if (values_.count(ValueKey(place, valueName))) return true;
    if (keys_.empty()) return false;
    // The key itself, or a key it is below.
    for (std::size_t end = place.size();;) {
        if (keys_.count(place.substr(0, end))) return true;
        end = end == 0 ? std::string::npos : place.rfind('\\', end - 1);
        if (end == std::string::npos) return false;
    }
}

IgnoreList LoadIgnoreList(platform::FileSystem& files, const std::string& path) {
    IgnoreList list;
    std::string text;
    if (files.ReadFile(path, &text)) list.Load(text);
    return list;
}

bool SaveIgnoreList(platform::FileSystem& files, const std::string& path, const IgnoreList& list) {
    const std::string temporary = path + ".new";
    if (files.PathExists(temporary) == 1) files.RemoveFile(temporary);
    auto file = files.CreateNewFile(temporary);
    if (!file) return false;
    const bool wrote = file->Write(list.Text());
    if (!file->Close() || !wrote || !files.RenameOver(temporary, path)) {
        files.RemoveFile(temporary);
        return false;
    }
    return true;
}

}  // namespace engine
