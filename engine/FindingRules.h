#pragma once
// The scan's judgement of one match of the walk: whether it is a finding,
// and the finding it is. The scan window and the command line judge alike.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/Categories.h"
#include "engine/FileReferences.h"
#include "engine/Finding.h"
#include "engine/IgnoreList.h"
#include "engine/RegSearch.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"

namespace engine {

class FindingRules {
public:
    FindingRules(platform::Registry& registry, platform::FileSystem& files) : registry_(registry), files_(files) {}

    // A new scan: the categories it lists, the values the user keeps, and
    // every file asked about afresh (files may have come or gone since the
    // last scan).
    void StartScan(const CategorySet& ticked, IgnoreList ignored = {});
    // The values the user keeps, from now on.
    void SetIgnoreList(IgnoreList ignored);
    // Whether expandable strings are judged, from now on: their text read as
    // the system reads it where the value really is, with the system's
    // variables from `environment` (none is known without one), and the
    // current user's too for a value in the user's own hives. A text that
    // names a variable not known there cannot be told: it is never listed.
    void JudgeExpandable(bool on, platform::Environment* environment);
    // True when an entry covers the finding's value, by the row's place or
    // the value's real place.
    bool Ignores(const Finding& finding) const;
    // The search text of a scan: the system drive.
    const std::string& SystemDrive() { return files_.SystemDrive(); }
    // The entry that keeps a finding's value (or, with `wholeKey`, its key
    // and everything below it), at the place where it really is.
    IgnoreEntry EntryFor(const Finding& finding, bool wholeKey);

    // The finding a match is, or nothing. A value is judged where it really
    // is (the key's own registry name), whatever root's view the walk came
    // through: it is listed when every reading of its path names a missing
    // file (one that exists, or that the system cannot answer for, keeps
    // it), the path has a listed extension, no string of a multi-string
    // names a file that is there, the category of its real place is ticked,
    // no entry of the ignore list covers it, and it is in no place Windows
    // needs (by its real place or the walk's path).
    std::optional<Finding> Judge(const std::string& sRootKey, const std::string& sKey, const std::string& sValue,
                                 std::int32_t lFound, const MatchedValue& value);

private:
    // Whether a string of a multi-string may name a file that is there: a
    // path on the system drive that exists (or that the system cannot answer
    // for), a path on another drive or the network, one through an
    // environment variable, or a bare file name with a listed extension.
    bool MayNameAFileThatIsThere(const std::string& text);
    // Whether any reading of a text's path exists, or the system cannot tell.
    bool NamesAFileThatMayBeThere(const std::vector<FileReferences::FilePath>& paths);
    // HKEY_CURRENT_USER, or the user's own trees under HKEY_USERS.
    bool InCurrentUsersHives(const KeyPlace& place) const;

    platform::Registry& registry_;
    FileReferences files_;
    CategorySet ticked_ = AllCategories();
    IgnoreList ignored_;
    std::string userSid_;  // asked when there are entries
    bool expandable_ = false;
    platform::Variables systemVariables_, userVariables_;  // the user's over the system's
};

}  // namespace engine
