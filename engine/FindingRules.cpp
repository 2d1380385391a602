#include "engine/FindingRules.h"

#include <vector>

#include "engine/RootKeys.h"
#include "platform/Text.h"

namespace engine {
namespace {

// The strings of a multi-string, each read as the first is for the value's
// text: UTF-16 up to its NUL.
std::vector<std::string> StringsOf(const std::vector<std::uint8_t>& data) {
    std::vector<std::string> strings;
    const std::size_t units = data.size() / 2;
    std::size_t from = 0;
    for (std::size_t at = 0; at <= units; ++at) {
        if (at < units && (data[2 * at] | data[2 * at + 1]) != 0) continue;
        if (at > from) strings.push_back(platform::Utf16BytesToUtf8(data.data() + 2 * from, 2 * (at - from)));
        from = at + 1;
    }
    return strings;
}

}  // namespace

void FindingRules::StartScan(const CategorySet& ticked, IgnoreList ignored) {
    ticked_ = ticked;
    SetIgnoreList(std::move(ignored));
    files_.ForgetAnswers();
}

void FindingRules::SetIgnoreList(IgnoreList ignored) {
    ignored_ = std::move(ignored);
    if (ignored_.Count() > 0 && userSid_.empty()) userSid_ = registry_.CurrentUserSid();
}

bool FindingRules::Ignores(const Finding& finding) const {
    return ignored_.Covers(finding.rootName, finding.keyPath, finding.valueName, userSid_) ||
           ignored_.Covers(RootKeyName(finding.realPlace.root), finding.realPlace.path, finding.valueName, userSid_);
}

IgnoreEntry FindingRules::EntryFor(const Finding& finding, bool wholeKey) {
    if (userSid_.empty()) userSid_ = registry_.CurrentUserSid();
    std::optional<std::string> valueName;
    if (!wholeKey) valueName = finding.valueName;
    return EntryAt(finding.realPlace, userSid_, std::move(valueName));
}

std::optional<Finding> FindingRules::Judge(const std::string& sRootKey, const std::string& sKey,
                                           const std::string& sValue, std::int32_t lFound,
                                           const MatchedValue& value) {
    // The files first: most matches name a file that is there, and only a
    // finding needs to know where its key really is.
    const std::vector<FileReferences::FilePath> paths = files_.CandidateFilePaths(sValue);
    if (NamesAFileThatMayBeThere(paths)) return std::nullopt;
    if (!FileReferences::HasListedExtension(paths.front().upper)) return std::nullopt;
    // A multi-string is a list, and its removal takes every string of it:
    // one that also names a file that is there stays.
    if (value.type == platform::kRegMultiSz)
        for (const std::string& text : StringsOf(value.data))
            if (UpperCase(text).find(SystemDrive()) != std::string::npos &&
                NamesAFileThatMayBeThere(files_.CandidateFilePaths(text)))
                return std::nullopt;

    Finding finding;
    finding.rootName = sRootKey;
    finding.root = RootKeyHandle(sRootKey);
    finding.keyPath = value.keyPath;
    finding.valueName = value.valueName;
    // Where the value really is: a root may be a view of another place.
    finding.realPlace = RealPlaceOf(registry_, value.key, KeyPlace{finding.root, finding.keyPath});

    // A category the user unticked is never listed.
    finding.category = CategoryOf(finding.realPlace.root, finding.realPlace.path);
    if (ticked_.count(finding.category) == 0) return std::nullopt;
    // Nor a value the user keeps.
    if (Ignores(finding)) return std::nullopt;
    // Nor is a place Windows needs, whatever the boxes say and whatever path
    // led there.
    if (ProtectedPlaceOf(registry_, finding.realPlace.root, finding.realPlace.path) ||
        ProtectedPlaceOf(registry_, finding.root, finding.keyPath))
        return std::nullopt;

    finding.errorType = ErrorTypeText(lFound);
    finding.keyText = sKey;
    finding.valueText = sValue;
    finding.type = value.type;
    finding.data = value.data;
    finding.missingFile = paths.front().asWritten;
    return finding;
}

bool FindingRules::NamesAFileThatMayBeThere(const std::vector<FileReferences::FilePath>& paths) {
    for (const FileReferences::FilePath& path : paths)
        if (files_.FileExistence(path.asWritten) != platform::Existence::Missing) return true;
    return false;
}

}  // namespace engine
