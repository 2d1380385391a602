#pragma once
// The values the user keeps: entries of the ignore list, each a value or a
// key with everything below it, and the file they live in (ignore.txt
// beside the profile, UTF-8, one entry per line).
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/RootKeys.h"
#include "platform/FileSystem.h"

namespace engine {

// The file's name in the data folder, beside the profile.
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

// The entry for a value (or, without a name, for its key and everything
// below it) at its real place, as the registry names the key: the user's own
// trees under HKEY_USERS read as HKEY_CURRENT_USER, so that the line stays
// readable and holds for the same user elsewhere.
IgnoreEntry EntryAt(const KeyPlace& place, const std::string& userSid, std::optional<std::string> valueName);

class IgnoreList {
public:
    // The file's text; a line that cannot be read is kept as it is and
    // passed over.
    void Load(const std::string& text);
    // The file's text: the entries and the lines kept, in their order.
    std::string Text() const;

    int Count() const { return count_; }
    // The lines that are neither an entry, nor empty, nor a comment ("#").
    int Unreadable() const { return unread_; }
    // Adds the entry unless it is there already.
    void Add(const IgnoreEntry& entry);
    // Forgets every entry (a line that could not be read stays).
    void Clear();

    // True when an entry covers the value: the value itself, or a key it is
    // in or below. Names compare without regard to case, as the registry's do.
    // A place counts in every root view that shows it:
    // HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes,
    // HKEY_CURRENT_USER is HKEY_USERS\<userSid>, a user's "_Classes" tree is
    // that user's Software\Classes, and HKEY_CURRENT_CONFIG is the current
    // hardware profile. A lookup costs a few hash lookups, whatever the
    // list's length; the entries' places are worked out once for a user.
    bool Covers(const std::string& rootName, const std::string& keyPath, const std::string& valueName,
                const std::string& userSid) const;

private:
    struct Line {
        std::string text;
        bool isEntry;  // else a line kept as it is
    };
    void Index(const std::string& userSid) const;

    std::vector<Line> lines_;
    std::unordered_set<std::string> entries_;  // each entry once
    int count_ = 0, unread_ = 0;
    // The places covered, for the user they were worked out for: a key's
    // place, and a value's place with its name.
    mutable std::optional<std::string> indexedFor_;
    mutable std::unordered_set<std::string> values_, keys_;
};

// The list in `path`: empty when there is no file; nothing when a file is
// there that cannot be read whole (`read` says why), as the values it keeps
// must not be taken for unkept.
std::optional<IgnoreList> LoadIgnoreList(platform::FileSystem& files, const std::string& path,
                                         platform::FileRead* read = nullptr);
// Written whole to a temporary file, then put in the list's place, so that
// a crash never leaves half a list; false when it could not be written.
bool SaveIgnoreList(platform::FileSystem& files, const std::string& path, const IgnoreList& list);

}  // namespace engine
