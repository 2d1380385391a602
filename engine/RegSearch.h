#pragma once
// The registry search engine: walks keys and values depth-first below one
// root or all seven, tests names and data against a search text and reports
// matches, the keys it enters and the end of the walk to one listener.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"
#include "platform/Ui.h"

namespace engine {

// How a match was found (lFound).
enum FoundKind : std::int32_t { kFoundKeyName = 0, kFoundValueName = 1, kFoundValueData = 2 };

// SearchFlags bits.
constexpr std::int32_t kSearchValueNames = 1;
constexpr std::int32_t kSearchValueData = 2;
constexpr std::int32_t kSearchWholeText = 4;

// What a match carries besides its four texts: the value's parts as
// enumerated, so that nothing has to be parsed back out of the texts.
struct MatchedValue {
    std::string keyPath;    // relative to the root
    std::string valueName;  // exact, whole; empty for the default value and for key-name matches
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    // The open key that holds the value, for as long as the event is being
    // raised: the registry names it where it really is (Registry::KeyName),
    // which differs from the walk's path where a root is a view of another
    // place. 0 for key-name matches.
    platform::RegHandle key = 0;
};

class RegSearchListener {
public:
    virtual ~RegSearchListener() = default;
    virtual void SearchFound(const std::string& sRootKey, const std::string& sKey, const std::string& sValue,
                             std::int32_t lFound, const MatchedValue& value) = 0;
    virtual void SearchFinished(std::int32_t lReason) = 0;
    virtual void SearchKeyChanged(const std::string& sFullKeyName) = 0;
};

class cRegSearch {
public:
    // The walk yields to the message loop through `ui` once per subkey step,
    // and offers it the chance at every value (DoEventsIfDue).
    cRegSearch(platform::Registry& registry, platform::UiServices& ui, RegSearchListener& listener);
    ~cRegSearch();
    cRegSearch(const cRegSearch&) = delete;
    cRegSearch& operator=(const cRegSearch&) = delete;

    void SetSubKey(const std::string& subKey) { SubKey = subKey; }
    void SetSearchString(const std::string& text) { SearchString = text; }
    void SetSearchFlags(std::int32_t flags) { SearchFlags = flags; }
    void SetRootKey(platform::RegHandle root) { RootKey = root; }

    // Runs the whole walk; returns after SearchFinished has been raised.
    void DoSearch();
    // Asks a running walk to end; does not wait for it.
    void StopSearch() { StopReason = 1; }
    bool Searching() const { return searching_; }

private:
    void SearchKeys(platform::RegHandle root, const std::string& rootName, const std::string& keyPath);
    void SearchValues(platform::RegHandle root, const std::string& rootName, const std::string& keyPath);
    void SearchValuesOf(platform::RegHandle key, const std::string& rootName, const std::string& keyPath);
    void SearchSubkeysOf(platform::RegHandle key, const std::string& rootName, const std::string& keyPath);
    bool IsMatch(std::string_view text) const;
    bool WantValues() const { return (SearchFlags & (kSearchValueNames | kSearchValueData)) != 0; }

    platform::Registry& registry_;
    platform::UiServices& ui_;
    RegSearchListener& listener_;

    platform::RegHandle RootKey = 0;
    std::int32_t SearchFlags = 0;
    std::string SearchString;
    std::string SubKey;
    std::int32_t StopReason = 0;

    std::string upperSearch_;
    bool searching_ = false;
};

// The text with its ASCII letters in upper case; every other character,
// whatever its bytes, stays as it is.
std::string UpperCase(std::string text);

}  // namespace engine
