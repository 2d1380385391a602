#include "engine/FindingRules.h"

#include <vector>

#include "engine/RootKeys.h"

namespace engine {

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
    return ignored_.Covers(finding.rootName, finding.keyPath, finding.valueName, userSid_);
}

std::optional<Finding> FindingRules::Judge(const std::string& sRootKey, const std::string& sKey,
                                           const std::string& sValue, std::int32_t lFound,
                                           const MatchedValue& value) {
    // A category the user unticked is never listed (nor its files asked about).
    const platform::RegHandle root = RootKeyHandle(sRootKey);
    const Category category = CategoryOf(root, value.keyPath);
    if (ticked_.count(category) == 0) return std::nullopt;
    // Nor a value the user keeps.
    if (ignored_.Covers(sRootKey, value.keyPath, value.valueName, userSid_)) return std::nullopt;

    const std::vector<FileReferences::FilePath> paths = files_.CandidateFilePaths(sValue);
    for (const FileReferences::FilePath& path : paths)
        if (files_.FileExistence(path.asWritten) != platform::Existence::Missing) return std::nullopt;
    if (!FileReferences::HasListedExtension(paths.front().upper)) return std::nullopt;
    // Nor is a place Windows needs, whatever the boxes say; asked last, as
    // it may read a service's key.
    if (ProtectedPlaceOf(registry_, root, value.keyPath)) return std::nullopt;

    Finding finding;
    finding.errorType = ErrorTypeText(lFound);
    finding.rootName = sRootKey;
    finding.keyText = sKey;
    finding.valueText = sValue;
    finding.root = root;
    finding.keyPath = value.keyPath;
    finding.valueName = value.valueName;
    finding.type = value.type;
    finding.data = value.data;
    finding.category = category;
    finding.missingFile = paths.front().asWritten;
    return finding;
}

}  // namespace engine
