#include "engine/RegSearch.h"

#include <algorithm>
#include <new>
#include <string_view>
#include <system_error>

#include "engine/RootKeys.h"
#include "engine/ValueText.h"

namespace engine {
namespace {

// Buffers of each enumeration step: names of up to 259 characters, and room
// for 4096 characters of string data (two bytes each in the registry).
constexpr std::uint32_t kNameChars = 260;
constexpr std::uint32_t kDataBytes = 8192;

// A value that does not fit the buffers is skipped and the enumeration goes
// on; this many in a row means the key answers every index that way, and its
// enumeration ends there so the walk cannot spin on it.
constexpr int kMaxSkippedValuesInARow = 4096;

// Error numbers a failure inside the walk is reported with.
constexpr std::int32_t kOutOfMemory = 7;
constexpr std::int32_t kInternalError = 51;

std::int32_t FailureNumber() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (const std::system_error& e) {
        return e.code().value() != 0 ? e.code().value() : kInternalError;
    } catch (...) {
        return kInternalError;
    }
}

// An open key, closed when the walk leaves its level.
class OpenKey {
public:
    explicit OpenKey(platform::Registry& registry) : registry_(registry) {}
    ~OpenKey() {
        if (handle_) registry_.CloseKey(handle_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    bool Open(platform::RegHandle base, const std::string& path, std::uint32_t options = 0) {
        return registry_.OpenKeyEx(base, path, options, platform::kKeyRead, &handle_) == platform::kErrorSuccess;
    }
    platform::RegHandle handle() const { return handle_; }

private:
    platform::Registry& registry_;
    platform::RegHandle handle_ = 0;
};

std::string ChildPath(const std::string& keyPath, const std::string& name) {
    return keyPath.empty() ? name : keyPath + '\\' + name;
}

}  // namespace

std::string UpperCase(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

cRegSearch::cRegSearch(platform::Registry& registry, platform::UiServices& ui, RegSearchListener& listener)
    : registry_(registry), ui_(ui), listener_(listener) {}

cRegSearch::~cRegSearch() { StopReason = 1; }

void cRegSearch::DoSearch() {
    searching_ = true;
    upperSearch_ = UpperCase(SearchString);
    if (RootKey != 0) {
        const std::string rootName = RootKeyName(RootKey);
        if (WantValues()) SearchValues(RootKey, rootName, SubKey);
        SearchKeys(RootKey, rootName, SubKey);
    } else {
        for (const engine::RootKey& root : kRootKeys) {
            if (StopReason != 0) break;
            SearchKeys(root.handle, root.name, SubKey);
        }
    }
    searching_ = false;
    listener_.SearchFinished(StopReason);
    StopReason = 0;
}

void cRegSearch::SearchKeys(platform::RegHandle root, const std::string& rootName, const std::string& keyPath) {
    if (StopReason != 0) return;
    try {
        OpenKey key(registry_);
        if (!key.Open(root, keyPath)) return;
        SearchSubkeysOf(key.handle(), rootName, keyPath);
    } catch (...) {
        StopReason = FailureNumber();
    }
}

void cRegSearch::SearchValues(platform::RegHandle root, const std::string& rootName, const std::string& keyPath) {
    if (StopReason != 0) return;
    try {
        OpenKey key(registry_);
        if (!key.Open(root, keyPath)) return;
        SearchValuesOf(key.handle(), rootName, keyPath);
    } catch (...) {
        StopReason = FailureNumber();
    }
}

// One level of the walk. Each subkey is opened once, relative to this key,
// and that one handle serves the subkey's values and its own subkeys.
void cRegSearch::SearchSubkeysOf(platform::RegHandle key, const std::string& rootName, const std::string& keyPath) {
    std::string name;
    for (std::uint32_t index = 0;; ++index) {
        ui_.DoEvents();
        if (registry_.EnumKey(key, index, kNameChars, &name) != platform::kErrorSuccess) break;
        const std::string subName = TrimAtNull(name);
        // A name that begins with a NUL reads as empty, and opening "" would
        // give this key itself again: the walk would never end.
        if (subName.empty()) continue;
        const std::string subPath = ChildPath(keyPath, subName);
        if (StopReason == 0) listener_.SearchKeyChanged(rootName + '\\' + subPath);
        if (IsMatch(subName)) listener_.SearchFound(rootName, subPath, "*", kFoundKeyName, MatchedValue{subPath, {}, 0, {}});
        if (StopReason != 0) continue;  // a stopped walk only finishes this loop
        try {
            // By its exact name: a name holding a NUL cannot be opened, and
            // is never taken for the key named by its first part. A link is
            // opened as itself, a key without subkeys holding its REG_LINK
            // value: what it leads to is walked by its own path, so no key
            // is reached twice and no link can lead the walk round in a loop.
            OpenKey sub(registry_);
            if (!sub.Open(key, name, platform::kRegOptionOpenLink)) continue;
            if (WantValues()) SearchValuesOf(sub.handle(), rootName, subPath);
            if (StopReason == 0) SearchSubkeysOf(sub.handle(), rootName, subPath);
        } catch (...) {
            StopReason = FailureNumber();
        }
    }
}

void cRegSearch::SearchValuesOf(platform::RegHandle key, const std::string& rootName, const std::string& keyPath) {
    std::string name;
    std::vector<std::uint8_t> data;
    int skippedInARow = 0;
    for (std::uint32_t index = 0;; ++index) {
        // There is no yield between values; a key with a hundred thousand of
        // them must not hold the window all the same.
        ui_.DoEventsIfDue();
        if (StopReason != 0) break;  // stopped from there: nothing more is reported
        std::uint32_t type = 0;
        const long result = registry_.EnumValue(key, index, kNameChars, kDataBytes, &name, &type, &data);
        if (result == platform::kErrorMoreData) {
            // Name or data too long for the buffers: pass over this value only.
            if (++skippedInARow >= kMaxSkippedValuesInARow) break;
            continue;
        }
        if (result != platform::kErrorSuccess) break;
        skippedInARow = 0;

        if (data.empty()) data.push_back(0);  // empty data reads as a single zero byte
        // The name is shown up to a NUL it may hold, but kept whole: the
        // value is backed up and removed by its exact name.
        const std::string_view shownName = std::string_view(name).substr(0, name.find('\0'));
        const std::string text = ValueDataToText(type, data);
        const std::string_view dataText = std::string_view(text).substr(0, text.find('\0'));
        const bool nameMatches = (SearchFlags & kSearchValueNames) && IsMatch(shownName);
        const bool dataMatches = (SearchFlags & kSearchValueData) && IsMatch(dataText);
        if (!nameMatches && !dataMatches) continue;  // most values: nothing more to make
        const MatchedValue value{keyPath, name, type, data, key};
        const std::string fullName = keyPath + '\\' + std::string(shownName);
        if (nameMatches) listener_.SearchFound(rootName, fullName, text, kFoundValueName, value);
        if (dataMatches) listener_.SearchFound(rootName, fullName, std::string(dataText), kFoundValueData, value);
    }
}

// Compared without regard to the case of ASCII letters, as the search text
// was upper-cased, and without copying the text: most texts of a walk match
// nothing.
bool cRegSearch::IsMatch(std::string_view text) const {
    const auto same = [](char c, char upper) { return (c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c) == upper; };
    if (SearchFlags & kSearchWholeText)
        return text.size() == upperSearch_.size() && std::equal(text.begin(), text.end(), upperSearch_.begin(), same);
    // As a substring search: an empty text holds nothing, not even the empty text.
    return !text.empty() && std::search(text.begin(), text.end(), upperSearch_.begin(), upperSearch_.end(), same) != text.end();
}

}  // namespace engine
