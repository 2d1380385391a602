#pragma once
// The values the user keeps: entries of the ignore list, each a value or a
// key with everything below it, and the file they live in (ignore.txt
// beside the profile, UTF-8, one entry per line).
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace engine {

// The file's name in the application folder, beside the profile.
constexpr const char* kIgnoreListName = "\\ignore.txt";

struct IgnoreEntry {
    std::string rootName;                  // as the results list shows it, e.g. "HKEY_CURRENT_USER"
    std::string keyPath;                   // below the root
    std::optional<std::string> valueName;  // exact; none: every value under the key
    bool operator==(const IgnoreEntry&) const = default;
};

// A line of the file: "value", a tab, the root, a tab, the key path, a tab,
// the value name; or "key", a tab, the root, a tab, the key path. A percent
// sign, a control character and a byte that is no UTF-8 are written as "%"
// and two hexadecimal digits, so that every name the registry allows fits on
// its line exactly and the rest reads as it is.
std::string IgnoreLine(const IgnoreEntry& entry);
std::optional<IgnoreEntry> ParseIgnoreLine(const std::string& line);

class IgnoreList {
public:
    // The file's text; a line that cannot be read is kept as it is and
    // passed over.
    void Load(const std::string& text);
    // The file's text: the entries and the lines kept, in their order.
    std::string Text() const;

    int Count() const { return static_cast<int>(entries_.size()); }
    // Adds the entry unless it is there already.
    void Add(const IgnoreEntry& entry);
    // Forgets every entry (a line that could not be read stays).
    void Clear();

    // True when an entry covers the value: the value itself, or a key it is
    // in or below. A place counts in every root view that shows it:
    // HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes, and
    // HKEY_CURRENT_USER is HKEY_USERS\<userSid>.
    bool Covers(const std::string& rootName, const std::string& keyPath, const std::string& valueName,
                const std::string& userSid) const;

private:
    struct Line {
        std::optional<IgnoreEntry> entry;  // none: a line kept as it is
        std::string text;
    };
    std::vector<Line> lines_;
    std::vector<IgnoreEntry> entries_;
};

// The list in `path`: empty when there is no file.
IgnoreList LoadIgnoreList(platform::FileSystem& files, const std::string& path);
// Written whole to a temporary file, then put in the list's place, so that
// a crash never leaves half a list; false when it could not be written.
bool SaveIgnoreList(platform::FileSystem& files, const std::string& path, const IgnoreList& list);

}  // namespace engine
