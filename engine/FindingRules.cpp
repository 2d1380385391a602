#include "engine/FindingRules.h"

#include <cctype>
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

void FindingRules::JudgeExpandable(bool on, platform::Environment* environment) {
    expandable_ = on;
    systemVariables_.clear();
    userVariables_.clear();
    if (!on || !environment) return;
    systemVariables_ = environment->SystemVariables();
    userVariables_ = systemVariables_;
    for (auto& [name, text] : environment->UserVariables()) userVariables_[name] = std::move(text);
    if (userSid_.empty()) userSid_ = registry_.CurrentUserSid();
}

std::optional<Finding> FindingRules::Judge(const std::string& sRootKey, const std::string& sKey,
                                           const std::string& sValue, std::int32_t lFound,
                                           const MatchedValue& value) {
    const platform::RegHandle root = RootKeyHandle(sRootKey);
    // An expandable string names its file as the system expands it for the
    // value's own place; the row shows it as stored.
    std::optional<KeyPlace> realPlace;
    std::string expanded;
    const std::string* text = &sValue;
    if (expandable_ && value.type == platform::kRegExpandSz && sValue.find('%') != std::string::npos) {
        bool whole = platform::ExpandVariables(sValue, systemVariables_, &expanded);
        // Most texts name only variables every account shares: then the
        // registry need not be asked where the value is.
        std::string asUser;
        const bool wholeAsUser = platform::ExpandVariables(sValue, userVariables_, &asUser);
        if (wholeAsUser != whole || asUser != expanded) {
            realPlace = RealPlaceOf(registry_, value.key, KeyPlace{root, value.keyPath});
            if (InCurrentUsersHives(*realPlace)) {
                whole = wholeAsUser;
                expanded = std::move(asUser);
            }
        }
        if (!whole) return std::nullopt;
        text = &expanded;
    }
    // The files first: most matches name a file that is there, and only a
    // finding needs to know where its key really is.
    const std::vector<FileReferences::FilePath> paths = files_.CandidateFilePaths(*text);
    if (NamesAFileThatMayBeThere(paths)) return std::nullopt;
    if (!FileReferences::HasListedExtension(paths.front().upper)) return std::nullopt;
    // A multi-string is a list, and its removal takes every string of it:
    // one that also names a file that is, or may be, there stays.
    if (value.type == platform::kRegMultiSz)
        for (const std::string& text : StringsOf(value.data))
            if (MayNameAFileThatIsThere(text)) return std::nullopt;

    Finding finding;
    finding.rootName = sRootKey;
    finding.root = root;
    finding.keyPath = value.keyPath;
    finding.valueName = value.valueName;
    // Where the value really is: a root may be a view of another place.
    finding.realPlace = realPlace ? std::move(*realPlace) : RealPlaceOf(registry_, value.key, KeyPlace{root, value.keyPath});

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

bool FindingRules::InCurrentUsersHives(const KeyPlace& place) const {
    if (place.root == platform::kHkeyCurrentUser) return true;
    if (place.root != platform::kHkeyUsers || userSid_.empty()) return false;
    const std::string tree = UpperCase(place.path.substr(0, place.path.find('\\')));
    const std::string sid = UpperCase(userSid_);
    return tree == sid || tree == sid + "_CLASSES";
}

bool FindingRules::MayNameAFileThatIsThere(const std::string& text) {
    const std::string upper = UpperCase(text);
    const std::string& drive = SystemDrive();
    for (std::size_t at = 0; at < upper.size(); ++at) {
        const char c = upper[at];
        // A path on another drive (removable, a network drive not there now),
        // or a network path: neither can be answered for.
        if (c >= 'A' && c <= 'Z' && upper.compare(at + 1, 2, ":\\") == 0 && upper.compare(at, 2, drive) != 0 &&
            (at == 0 || !std::isalnum(static_cast<unsigned char>(upper[at - 1]))))
            return true;
        if (upper.compare(at, 2, "\\\\") == 0) return true;
        // An environment variable such as %SystemRoot% may lead anywhere;
        // "%1" and the like are a program's arguments.
        if (c == '%' && at + 1 < upper.size() && !std::isdigit(static_cast<unsigned char>(upper[at + 1]))) {
            const std::size_t end = upper.find_first_of("% \t\\\"", at + 1);
            if (end != std::string::npos && end > at + 1 && upper[end] == '%') return true;
        }
    }
    if (upper.find(drive) != std::string::npos) return NamesAFileThatMayBeThere(files_.CandidateFilePaths(text));
    // A bare file name is looked for along the search path.
    return FileReferences::HoldsListedExtension(upper);
}

bool FindingRules::NamesAFileThatMayBeThere(const std::vector<FileReferences::FilePath>& paths) {
    for (const FileReferences::FilePath& path : paths)
        if (files_.FileExistence(path.asWritten) != platform::Existence::Missing) return true;
    return false;
}

}  // namespace engine
