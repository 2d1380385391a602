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

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The text with its escapes undone, appended to `out`; false for a broken
// escape.
bool AppendUnescaped(std::string_view text, std::string* out) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '%') {
            out->push_back(text[at]);
            continue;
        }
        if (at + 2 >= text.size()) return false;
        const int high = HexDigit(text[at + 1]), low = HexDigit(text[at + 2]);
        if (high < 0 || low < 0) return false;
        out->push_back(static_cast<char>(high << 4 | low));
        at += 2;
    }
    return true;
}

bool EscapesAreWhole(std::string_view text) {
    for (std::size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at + 3))
        if (at + 2 >= text.size() || HexDigit(text[at + 1]) < 0 || HexDigit(text[at + 2]) < 0) return false;
    return true;
}

// A root by its name, in any case, or by its usual short form.
platform::RegHandle RootNamed(std::string_view name) {
    static const struct {
        const char* shortName;
        platform::RegHandle root;
    } kShort[] = {{"HKCR", platform::kHkeyClassesRoot}, {"HKCU", platform::kHkeyCurrentUser},
                  {"HKLM", platform::kHkeyLocalMachine}, {"HKU", platform::kHkeyUsers},
                  {"HKCC", platform::kHkeyCurrentConfig}};
    for (const RootKey& root : kRootKeys)
        if (SameText(name, root.name)) return root.handle;
    for (const auto& root : kShort)
        if (SameText(name, root.shortName)) return root.root;
    return 0;
}

// A line's fields, escapes not yet undone.
struct Fields {
    bool isValue = false;
    platform::RegHandle root = 0;
    std::string_view keyPath, valueName;
};

bool SplitLine(std::string_view line, Fields* fields) {
    std::string_view parts[4];
    std::size_t count = 0;
    for (std::size_t from = 0;;) {
        const std::size_t tab = line.find('\t', from);
        if (count == 4) return false;
        parts[count++] = line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from);
        if (tab == std::string_view::npos) break;
        from = tab + 1;
    }
    fields->isValue = parts[0] == "value";
    if (!(fields->isValue && count == 4) && !(parts[0] == "key" && count == 3)) return false;
    fields->root = RootNamed(parts[1]);
    fields->keyPath = parts[2];
    // A key written with a backslash after it is the key.
    if (!fields->isValue && !fields->keyPath.empty() && fields->keyPath.back() == '\\') fields->keyPath.remove_suffix(1);
    fields->valueName = fields->isValue ? parts[3] : std::string_view();
    return fields->root != 0 && EscapesAreWhole(fields->keyPath) && EscapesAreWhole(fields->valueName);
}

// An entry's parts as its line has them: tells one entry from another.
std::string Identity(const Fields& fields) {
    std::string identity(1, static_cast<char>(fields.root & 0xF));
    identity += fields.isValue ? 'v' : 'k';
    identity += fields.keyPath;
    if (fields.isValue) {
        identity += '\t';
        identity += fields.valueName;
    }
    return identity;
}

// A line that is not meant as an entry: empty, or a comment.
bool IsNote(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == '#';
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
// upper case (keys compare without regard to case), into `place`:
// HKEY_CURRENT_USER as the user's tree under HKEY_USERS, a "_Classes" tree
// as its user's Software\Classes, HKEY_CLASSES_ROOT as HKEY_LOCAL_MACHINE's
// classes and HKEY_CURRENT_CONFIG as the current hardware profile.
void PlaceInto(platform::RegHandle root, std::string_view keyPath, const std::string& userSid, std::string* place) {
    place->clear();
    std::string_view rest = keyPath;
    switch (root) {
    case platform::kHkeyClassesRoot: *place = "HKEY_LOCAL_MACHINE\\Software\\Classes"; break;
    case platform::kHkeyCurrentConfig:
        *place = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current";
        break;
    case platform::kHkeyCurrentUser:
        *place = userSid.empty() ? "HKEY_CURRENT_USER" : "HKEY_USERS\\" + userSid;
        break;
    case platform::kHkeyUsers: {
        *place = "HKEY_USERS";
        constexpr std::string_view kClasses = "_Classes";
        const std::size_t cut = std::min(keyPath.find('\\'), keyPath.size());
        const std::string_view user = keyPath.substr(0, cut);
        if (user.size() > kClasses.size() && SameText(user.substr(user.size() - kClasses.size()), kClasses)) {
            *place += '\\';
            *place += user.substr(0, user.size() - kClasses.size());
            *place += "\\Software\\Classes";
            rest = keyPath.substr(std::min(cut + 1, keyPath.size()));
        }
        break;
    }
    default: *place = RootKeyName(root); break;
    }
    if (!rest.empty()) {
        *place += '\\';
        *place += rest;
    }
    for (char& c : *place) c = Fold(c);
}

// A value's place and name as one key of the set of values, the name's
// ASCII letters in upper case as the place's are.
void AppendValueName(std::string* place, std::string_view valueName) {
    place->push_back('\0');  // no key path holds one, so the two parts stay apart
    for (char c : valueName) place->push_back(Fold(c));
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
    Fields fields;
    if (!SplitLine(line, &fields)) return std::nullopt;
    IgnoreEntry entry;
    entry.rootName = RootKeyName(fields.root);
    AppendUnescaped(fields.keyPath, &entry.keyPath);
    if (fields.isValue) AppendUnescaped(fields.valueName, &entry.valueName.emplace());
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
    count_ = unread_ = 0;
    indexedFor_.reset();
    std::size_t from = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // as an editor may save it
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + from, end - from);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        from = end + 1;
        Fields fields;
        const bool isEntry = SplitLine(line, &fields);
        if (isEntry && entries_.insert(Identity(fields)).second) ++count_;
        if (!isEntry && !IsNote(line)) ++unread_;
        lines_.push_back({std::string(line), isEntry});
    }
}

std::string IgnoreList::Text() const {
    std::string text;
    for (const Line& line : lines_) text += line.text + kCrLf;
    return text;
}

void IgnoreList::Add(const IgnoreEntry& entry) {
    std::string line = IgnoreLine(entry);
    Fields fields;
    if (!SplitLine(line, &fields) || !entries_.insert(Identity(fields)).second) return;
    ++count_;
    lines_.push_back({std::move(line), true});
    indexedFor_.reset();
}

void IgnoreList::Clear() {
    entries_.clear();
    count_ = 0;
    indexedFor_.reset();
    lines_.erase(std::remove_if(lines_.begin(), lines_.end(), [](const Line& line) { return line.isEntry; }), lines_.end());
}

void IgnoreList::Index(const std::string& userSid) const {
    values_.clear();
    keys_.clear();
    std::string path, place;
    for (const Line& line : lines_) {
        Fields fields;
        if (!line.isEntry || !SplitLine(line.text, &fields)) continue;
        path.clear();
        AppendUnescaped(fields.keyPath, &path);
        PlaceInto(fields.root, path, userSid, &place);
        if (fields.isValue) {
            path.clear();
            AppendUnescaped(fields.valueName, &path);
            AppendValueName(&place, path);
            values_.insert(place);
        } else {
            keys_.insert(place);
        }
    }
    indexedFor_ = userSid;
}

bool IgnoreList::Covers(const std::string& rootName, const std::string& keyPath, const std::string& valueName,
                        const std::string& userSid) const {
    if (count_ == 0) return false;
    if (indexedFor_ != userSid) Index(userSid);
    std::string place;
    PlaceInto(RootKeyHandle(rootName), keyPath, userSid, &place);
    // The key itself, or a key it is below.
    if (!keys_.empty())
        for (std::size_t end = place.size();;) {
            if (keys_.count(place.substr(0, end))) return true;
            end = end == 0 ? std::string::npos : place.rfind('\\', end - 1);
            if (end == std::string::npos) break;
        }
    AppendValueName(&place, valueName);
    return values_.count(place) > 0;
}

std::optional<IgnoreList> LoadIgnoreList(platform::FileSystem& files, const std::string& path, platform::FileRead* read) {
    std::string text;
    const platform::FileRead result = files.ReadFile(path, &text);
    if (read) *read = result;
    if (!result && result.result != platform::FileRead::Missing) return std::nullopt;
    IgnoreList list;
    if (result) list.Load(text);
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
