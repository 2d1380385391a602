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
    // Whether any reading of a text's path exists, or the system cannot tell.
    bool NamesAFileThatMayBeThere(const std::vector<FileReferences::FilePath>& paths);

    platform::Registry& registry_;
    FileReferences files_;
    CategorySet ticked_ = AllCategories();
    IgnoreList ignored_;
    std::string userSid_;  // asked when there are entries
};

}  // namespace engine
