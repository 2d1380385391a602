// The search engine's walk over a random registry: random tree shapes,
// names with NULs and odd characters, oversized names and data, keys that
// answer errors on open or enumeration, and a Stop at a chosen event. The
// listener checks the order of events as the walk defines it, that every
// key and value the walk must reach is reported, and that every key opened
// is closed.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fuzz/Check.h"
#include "engine/RegSearch.h"
#include "fakes/FakeUi.h"
#include "fakes/MemoryRegistry.h"
#include "platform/Text.h"

namespace {

constexpr platform::RegHandle kHkcu = platform::kHkeyCurrentUser;
const std::string kHkcuName = "HKEY_CURRENT_USER";
constexpr std::size_t kNameFits = 259;     // longest name the walk's buffer takes
constexpr std::size_t kDataFits = 8192;    // data up to this size always fits
constexpr std::size_t kDataNeverFits = 8192;

// What the registry is built from: keys are paths below HKEY_CURRENT_USER.
struct Step {
    enum Kind { AddKey, SetValue, FailOpen, FailEnumeration } kind;
    std::string path, name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    long error = 0;
};

struct Plan {
    std::vector<Step> steps;
    bool allRoots = false;
    std::int32_t flags = 0;
    std::string search;
    std::uint32_t stopAtEvent = 0;  // 0: never
};

struct Listener : engine::RegSearchListener {
    std::function<void(const std::string&, const std::string&, const std::string&, std::int32_t,
                       const engine::MatchedValue&)>
        found;
    std::function<void(std::int32_t)> finished;
    std::function<void(const std::string&)> keyChanged;
    void SearchFound(const std::string& root, const std::string& key, const std::string& value, std::int32_t kind,
                     const engine::MatchedValue& matched) override {
        found(root, key, value, kind, matched);
    }
    void SearchFinished(std::int32_t reason) override { finished(reason); }
    void SearchKeyChanged(const std::string& key) override { keyChanged(key); }
};

// Everything this target asks of the in-memory registry: build it, walk it.
// `stop` and `openHandles` are handed to the listener's checks.
void BuildAndWalk(const Plan& plan, Listener& listener, std::function<void()>& stop,
                  std::function<int()>& openHandles, int* handlesAfter) {
    fakes::MemoryRegistry reg;
    for (const Step& s : plan.steps) {
        switch (s.kind) {
        case Step::AddKey: reg.AddKey(kHkcu, s.path); break;
        case Step::SetValue: reg.SetValue(kHkcu, s.path, s.name, s.type, s.data); break;
        case Step::FailOpen: reg.FailOpen(kHkcu, s.path, s.error); break;
        case Step::FailEnumeration: reg.FailEnumeration(kHkcu, s.path, s.error); break;
        }
    }
    fakes::FakeUi ui;
    engine::cRegSearch search(reg, ui, listener);
    stop = [&search] { search.StopSearch(); };
    openHandles = [&reg] { return reg.OpenHandles(); };
    search.SetRootKey(plan.allRoots ? 0 : kHkcu);
    search.SetSubKey("");
    search.SetSearchFlags(plan.flags);
    search.SetSearchString(plan.search);
    search.DoSearch();
    *handlesAfter = reg.OpenHandles();
    stop = nullptr;
    openHandles = nullptr;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool Matches(const Plan& plan, const std::string& text) {
    if (plan.flags & engine::kSearchWholeText) return Upper(text) == Upper(plan.search);
    return !text.empty() && Upper(text).find(Upper(plan.search)) != std::string::npos;
}

std::string Parent(const std::string& path) {
    const std::size_t at = path.rfind('\\');
    return at == std::string::npos ? std::string() : path.substr(0, at);
}

std::string Name(FuzzedDataProvider& in, bool forKey) {
    static const char kChars[] = {'a', 'B', 'c', 'C', ':', '.', 'E', 'x', '\0', ' ', '%', '1', '\\', '\xe9', '\xff'};
    if (in.ConsumeIntegralInRange(0, 15) == 0)  // oversized
        return std::string(in.ConsumeIntegralInRange<std::size_t>(250, 300), forKey ? 'k' : 'C');
    std::string name;
    for (int n = in.ConsumeIntegralInRange(forKey ? 1 : 0, 6); n > 0; --n) {
        char c = kChars[in.ConsumeIntegralInRange<std::size_t>(0, sizeof kChars - 1)];
        if (forKey && c == '\\') c = '/';  // a backslash would make two keys
        name += c;
    }
    return name;
}

Plan Decode(FuzzedDataProvider& in) {
    Plan plan;
    plan.allRoots = in.ConsumeBool();
    plan.flags = in.ConsumeIntegralInRange(0, 7);
    static const char* const kSearches[] = {"C:", "c:", "", "a", "E"};
    const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(0, 5);
    plan.search = pick < 5 ? kSearches[pick] : Name(in, false).substr(0, 3);
    plan.stopAtEvent = in.ConsumeIntegralInRange<std::uint32_t>(0, 3) == 0 ? in.ConsumeIntegralInRange(1, 64) : 0;

    std::vector<std::string> keys{""};
    for (int n = in.ConsumeIntegralInRange(0, 48); n > 0 && in.remaining_bytes() > 0; --n) {
        Step step;
        step.kind = static_cast<Step::Kind>(in.ConsumeIntegralInRange(0, 9) % 4 == 3 ? in.ConsumeIntegralInRange(2, 3)
                                                                                    : in.ConsumeIntegralInRange(0, 1));
        step.path = keys[in.ConsumeIntegralInRange<std::size_t>(0, keys.size() - 1)];
        switch (step.kind) {
        case Step::AddKey: {
            const std::string name = Name(in, true);
            step.path = step.path.empty() ? name : step.path + '\\' + name;
            keys.push_back(step.path);
            break;
        }
        case Step::SetValue: {
            static const std::uint32_t kTypes[] = {1, 1, 3, 4, 7, 2, 0, 11, 0xFFFFFFFF};
            step.name = Name(in, false);
            step.type = kTypes[in.ConsumeIntegralInRange<std::size_t>(0, 8)];
            static const std::size_t kBig[] = {4095, 4096, 4097, 8192, 8193, 20000};
            if (in.ConsumeIntegralInRange(0, 7) == 0) {
                step.data.assign(kBig[in.ConsumeIntegralInRange<std::size_t>(0, 5)], 'C');
            } else {
                // Text as the registry keeps it: UTF-16 for the string types.
                const std::string text = Name(in, false);
                const bool utf16 = step.type == 1 || step.type == 2 || step.type == 7;
                step.data = utf16 ? platform::Utf8ToUtf16Bytes(text) : std::vector<std::uint8_t>(text.begin(), text.end());
                if (in.ConsumeBool()) step.data.resize(step.data.size() + (utf16 ? 2 : 1), 0);
            }
            break;
        }
        case Step::FailOpen:
        case Step::FailEnumeration: {
            static const long kErrors[] = {platform::kErrorFileNotFound, platform::kErrorAccessDenied,
                                           platform::kErrorInvalidHandle, 1018 /* key marked for deletion */};
            step.error = kErrors[in.ConsumeIntegralInRange<std::size_t>(0, 3)];
            break;
        }
        }
        plan.steps.push_back(step);
    }
    return plan;
}

// The registry as the plan leaves it, with what a full walk must report.
struct Model {
    struct Key {
        std::string path;  // as first spelt: the spelling the registry keeps
        bool failOpen = false, failEnum = false;
        bool oddChild = false;  // a subkey whose name the walk cannot take as it is
        std::vector<std::pair<std::string, std::vector<std::uint8_t>>> values;  // name, data
    };
    std::map<std::string, Key> keys;  // by upper-cased path

    explicit Model(const Plan& plan) {
        keys[""];
        for (const Step& s : plan.steps) {
            // Intermediate keys come into being as the path is walked.
            std::string upper;
            std::size_t from = 0;
            do {
                const std::size_t end = std::min(s.path.find('\\', from), s.path.size());
                const std::string name = s.path.substr(from, end - from);
                if (name.empty()) break;
                Key& parent = keys[upper];
                const std::string child = upper.empty() ? Upper(name) : upper + '\\' + Upper(name);
                if (!keys.count(child)) {
                    keys[child].path = parent.path.empty() ? name : parent.path + '\\' + name;
                    if (name.size() > kNameFits || name.find('\0') != std::string::npos) parent.oddChild = true;
                }
                upper = child;
                from = end + 1;
            } while (from <= s.path.size());
            Key& key = keys[upper];
            if (s.kind == Step::FailOpen) key.failOpen = true;
            if (s.kind == Step::FailEnumeration) key.failEnum = true;
            if (s.kind == Step::SetValue) {
                auto same = std::find_if(key.values.begin(), key.values.end(),
                                         [&](const auto& v) { return Upper(v.first) == Upper(s.name); });
                if (same != key.values.end())
                    *same = {s.name, s.data};
                else
                    key.values.push_back({s.name, s.data});
            }
        }
    }

    // A key the walk must enter: every key above it opens and lists its
    // subkeys, none of them has a subkey with a name the walk cannot take.
    bool Reached(const std::string& upper) const {
        if (upper.empty()) return true;
        const Key& parent = keys.at(Parent(upper));
        if (parent.failOpen || parent.failEnum || parent.oddChild) return false;
        if (upper.find('\0') != std::string::npos) return false;
        return Reached(Parent(upper));
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider in(bytes, size);
    const Plan plan = Decode(in);

    std::function<void()> stop;
    std::function<int()> openHandles;
    std::vector<std::string> stack{""};  // keys entered and not yet left
    std::string rootName;                // the root being walked
    std::uint32_t events = 0;
    bool stopped = false, finished = false;
    std::multiset<std::string> keysChanged, keyNamesFound, valueNamesFound;  // HKCU paths
    std::string dataMatchDue;            // a value matched by name whose data also matches

    auto event = [&] {
        FUZZ_CHECK(!finished);
        if (++events == plan.stopAtEvent) {
            stop();
            stopped = true;
        }
    };
    Listener listener;
    listener.keyChanged = [&](const std::string& text) {
        FUZZ_CHECK(!stopped);
        FUZZ_CHECK(dataMatchDue.empty());
        const std::size_t cut = text.find('\\');
        FUZZ_CHECK(cut != std::string::npos);
        const std::string root = text.substr(0, cut), path = text.substr(cut + 1);
        FUZZ_CHECK(plan.allRoots || root == kHkcuName);
        if (root != rootName) stack.assign(1, "");  // the next root begins at its top
        rootName = root;
        // Depth first: the new key is a subkey of a key still being walked.
        while (stack.size() > 1 && stack.back() != Parent(path)) stack.pop_back();
        FUZZ_CHECK(stack.back() == Parent(path));
        stack.push_back(path);
        FUZZ_CHECK(openHandles() <= static_cast<int>(stack.size()));
        if (root == kHkcuName) keysChanged.insert(path);
        event();
    };
    listener.found = [&](const std::string& root, const std::string& key, const std::string& text,
                         std::int32_t kind, const engine::MatchedValue& value) {
        FUZZ_CHECK(root == rootName || (rootName.empty() && root == kHkcuName && !plan.allRoots));
        if (kind == engine::kFoundKeyName) {
            FUZZ_CHECK(dataMatchDue.empty());
            FUZZ_CHECK(text == "*");
            FUZZ_CHECK(Matches(plan, key.substr(key.rfind('\\') + 1)));
            // Just entered; after a Stop, a subkey of a level still listing.
            if (!stopped) FUZZ_CHECK(key == stack.back());
            FUZZ_CHECK(std::find(stack.begin(), stack.end(), Parent(key)) != stack.end());
            if (root == kHkcuName) keyNamesFound.insert(key);
        } else {
            FUZZ_CHECK(kind == engine::kFoundValueName || kind == engine::kFoundValueData);
            FUZZ_CHECK(value.keyPath == stack.back());  // values of the key just entered
            // Shown up to a NUL it may hold, kept whole for the repair.
            const std::string shown = value.valueName.substr(0, value.valueName.find('\0'));
            FUZZ_CHECK(key == value.keyPath + '\\' + shown);
            FUZZ_CHECK(value.keyPath.find('\0') == std::string::npos);
            if (kind == engine::kFoundValueName) {
                FUZZ_CHECK(dataMatchDue.empty());
                FUZZ_CHECK(plan.flags & engine::kSearchValueNames);
                FUZZ_CHECK(Matches(plan, shown));
                if ((plan.flags & engine::kSearchValueData) && Matches(plan, text.substr(0, text.find('\0'))))
                    dataMatchDue = key;
                if (root == kHkcuName) valueNamesFound.insert(key);
            } else {
                FUZZ_CHECK(dataMatchDue.empty() || dataMatchDue == key);
                dataMatchDue.clear();
                FUZZ_CHECK(plan.flags & engine::kSearchValueData);
                FUZZ_CHECK(text.find('\0') == std::string::npos);
                FUZZ_CHECK(Matches(plan, text));
            }
        }
        event();
    };
    listener.finished = [&](std::int32_t reason) {
        FUZZ_CHECK(!finished);
        FUZZ_CHECK(dataMatchDue.empty());
        FUZZ_CHECK(reason == (stopped ? 1 : 0));
        finished = true;
    };

    int handlesAfter = -1;
    BuildAndWalk(plan, listener, stop, openHandles, &handlesAfter);
    FUZZ_CHECK(finished);
    FUZZ_CHECK(handlesAfter == 0);
    if (stopped) return 0;

    // A whole walk reports every key it must reach once, and every match.
    const Model model(plan);
    for (const auto& [upper, key] : model.keys) {
        if (upper.empty() || !model.Reached(upper)) continue;
        FUZZ_CHECK(keysChanged.count(key.path) == 1);
        const std::string name = key.path.substr(key.path.rfind('\\') + 1);
        FUZZ_CHECK(keyNamesFound.count(key.path) == (Matches(plan, name) ? 1u : 0u));
    }
    if (!(plan.flags & engine::kSearchValueNames)) return 0;
    for (const auto& [upper, key] : model.keys) {
        if (!model.Reached(upper) || key.failOpen || key.failEnum || (upper.empty() && plan.allRoots)) continue;
        for (const auto& value : key.values) {
            const std::string& name = value.first;
            const std::size_t size = value.second.size();
            const std::string full = key.path + '\\' + name;
            const bool fits = name.size() <= kNameFits && name.find('\0') == std::string::npos;
            if (fits && size <= kDataFits && Matches(plan, name)) FUZZ_CHECK(valueNamesFound.count(full) >= 1);
            // A name cut short at a NUL is reported as the shorter name.
            const bool aliased = std::any_of(key.values.begin(), key.values.end(), [&](const auto& other) {
                return other.first != name && other.first.substr(0, other.first.find('\0')) == name;
            });
            if ((!fits || size > kDataNeverFits) && !aliased) FUZZ_CHECK(valueNamesFound.count(full) == 0);
        }
    }
    return 0;
}
