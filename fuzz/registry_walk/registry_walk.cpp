// The search engine's walk over a random registry: random tree shapes,
// names with NULs and odd characters, oversized names and data, keys that
// answer errors on open or enumeration, links (back up to a key above them,
// across to another branch, to a key they bring into being, or to nothing),
// and a Stop at a chosen event. The listener checks the order of events as
// the walk defines it and that every key opened is closed; a model of the
// registry, walked on its own, tells what the walk must report: a link is a
// key of its own, without subkeys, holding one value (SymbolicLinkValue),
// and never followed, so every key and every matching value is reported
// once, under its own path.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "fuzz/Check.h"
#include "engine/RegSearch.h"
#include "fakes/FakeUi.h"
#include "fakes/MemoryRegistry.h"
#include "platform/Text.h"

namespace {

constexpr platform::RegHandle kHkcu = platform::kHkeyCurrentUser;
const std::string kHkcuName = "HKEY_CURRENT_USER";
constexpr std::size_t kNameFits = 259;  // longest name the walk's buffer takes
constexpr std::size_t kDataFits = 8192; // data up to this size fits, any larger never
// Links are walked as leaves; a few of them, anywhere, are enough.
constexpr int kMaxLinks = 4;

// What the registry is built from: keys are paths below HKEY_CURRENT_USER.
struct Step {
    enum Kind { AddKey, SetValue, FailOpen, FailEnumeration, AddLink } kind;
    std::string path, name;
    std::string target;  // AddLink: the path the link leads to
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
        case Step::AddLink: reg.AddLink(kHkcu, s.path, kHkcu, s.target); break;
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

std::string LastName(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

std::string Join(const std::string& path, const std::string& name) { return path.empty() ? name : path + '\\' + name; }

std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

// The registry as the plan leaves it. A key is known by its own path (as
// the registry names it, whatever link it is opened through), upper-cased;
// a link is an entry in its parent's list of subkeys that leads to another
// key, or to none.
struct Model {
    // The order the in-memory registry lists subkeys in (char by char, as
    // signed numbers): which way reaches a key first decides where it is
    // entered.
    struct EnumerationOrder {
        bool operator()(const std::string& a, const std::string& b) const {
            return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
        }
    };
    struct Subkey {
        std::string name;  // as first spelt: the spelling the registry keeps
        bool link = false;
        bool leadsNowhere = false;  // a link whose target path names no key
        std::string target;         // a link's key
    };
    struct Key {
        bool failOpen = false, failEnum = false;
        std::map<std::string, Subkey, EnumerationOrder> subkeys;  // by upper-cased name, as listed
        std::vector<std::pair<std::string, std::vector<std::uint8_t>>> values;  // name, data
    };
    std::map<std::string, Key> keys{{"", Key{}}};
    int links = 0;

    // The names a path is made of, empty ones included.
    static std::vector<std::string> Names(const std::string& path) {
        std::vector<std::string> names;
        for (std::size_t from = 0; !path.empty();) {
            const std::size_t end = std::min(path.find('\\', from), path.size());
            names.push_back(path.substr(from, end - from));
            if (end == path.size()) break;
            from = end + 1;
        }
        return names;
    }

    // The key a path opens as: each name looked up in the key reached so
    // far, a link taken to where it leads. With `create`, names not found
    // are made into keys on the way, as when a key is created. False for a
    // path with an empty name in it or one that runs into a link to nothing.
    bool Resolve(const std::string& path, bool create, std::string* at) {
        at->clear();
        for (const std::string& name : Names(path)) {
            if (name.empty()) return false;
            auto& subkeys = keys[*at].subkeys;
            auto it = subkeys.find(Upper(name));
            if (it == subkeys.end()) {
                if (!create) return false;
                it = subkeys.emplace(Upper(name), Subkey{name, false, false, {}}).first;
                keys[Join(*at, it->first)];
            }
            if (!it->second.link)
                *at = Join(*at, it->first);
            else if (it->second.leadsNowhere)
                return false;
            else
                *at = it->second.target;
        }
        return true;
    }

    // Whether Resolve would find the path to lead to a key, making the names
    // it lacks; nothing is made.
    bool Leads(const std::string& path) const {
        std::string at;
        bool made = false;  // a name was lacking: all below it is new, plain keys
        for (const std::string& name : Names(path)) {
            if (name.empty()) return false;
            if (made) continue;
            const auto& subkeys = keys.at(at).subkeys;
            const auto it = subkeys.find(Upper(name));
            if (it == subkeys.end())
                made = true;
            else if (it->second.leadsNowhere)
                return false;
            else
                at = it->second.link ? it->second.target : Join(at, it->first);
        }
        return true;
    }

    // False for a step the plan must leave out, with the model as it was:
    // one the registry refuses, or a link that cannot be made as asked.
    bool Apply(const Step& s) {
        std::string at;
        if (s.kind != Step::AddLink) {
            if (!Leads(s.path)) return false;
            Resolve(s.path, true, &at);
            Key& key = keys[at];
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
            return true;
        }
        if (links == kMaxLinks) return false;
        const std::map<std::string, Key> before = keys;
        const std::string name = LastName(s.path);
        if (name.empty() || !Resolve(Parent(s.path), true, &at) || keys[at].subkeys.count(Upper(name))) {
            keys = before;
            return false;
        }
        Subkey link{name, true, false, {}};
        link.leadsNowhere = !Resolve(s.target, true, &link.target);
        // A target made on a way through the link's own place would take
        // that place: a link into itself is not made.
        if (keys[at].subkeys.count(Upper(name))) {
            keys = before;
            return false;
        }
        keys[at].subkeys.emplace(Upper(name), link);
        ++links;
        return true;
    }

    // What a whole walk of HKEY_CURRENT_USER reports, by path as reported:
    // how many times, and whether exactly that many (false where a key on
    // the way has a subkey whose name is too long for the walk to list: its
    // listing ends there, so what follows it may be left out).
    struct Count {
        int n = 0;
        bool exact = true;
    };
    struct Reports {
        std::map<std::string, Count> keys;        // SearchKeyChanged
        std::map<std::string, Count> valueNames;  // value-name matches, "key\value"
        std::set<std::string> listed;             // keys whose values may be listed
    };

    Reports Expected(const Plan& plan) const {
        Reports out;
        if (keys.at("").failOpen) return out;
        Enter(plan, "", "", true, !plan.allRoots, out);
        return out;
    }

    // The value a link opened as itself holds; its data names the target,
    // and a very long name of one may not fit the walk's buffer.
    static void EnterLink(const Plan& plan, const Subkey& link, const std::string& shown, bool exact, Reports& out) {
        exact = exact && link.target.size() < 2000;
        out.listed.insert(shown);
        if (!(plan.flags & engine::kSearchValueNames) || !Matches(plan, "SymbolicLinkValue")) return;
        Count& count = out.valueNames[shown + "\\SymbolicLinkValue"];
        ++count.n;
        count.exact = count.exact && exact;
    }

    // A key entered at `shown`: its values, then each subkey, entered in turn
    // unless it cannot be opened; a link is entered as a key of its own.
    void Enter(const Plan& plan, const std::string& at, const std::string& shown, bool exact, bool values,
               Reports& out) const {
        const Key& key = keys.at(at);
        if (key.failEnum) return;
        if (values) {
            out.listed.insert(shown);
            for (const auto& [name, data] : key.values) {
                if (name.size() > kNameFits || data.size() > kDataFits) continue;  // passed over
                if (!(plan.flags & engine::kSearchValueNames) || !Matches(plan, UpToNul(name))) continue;
                Count& count = out.valueNames[shown + '\\' + UpToNul(name)];
                ++count.n;
                count.exact = count.exact && exact;
            }
        }
        const bool listedWhole = exact && std::none_of(key.subkeys.begin(), key.subkeys.end(), [](const auto& sub) {
                                     return sub.second.name.size() > kNameFits;
                                 });
        for (const auto& [upper, sub] : key.subkeys) {
            const std::string name = UpToNul(sub.name);
            // A name too long for the walk's buffer ends its listing there.
            if (sub.name.size() > kNameFits) break;
            if (name.empty()) continue;  // never reported
            const std::string path = Join(shown, name);
            Count& count = out.keys[path];
            ++count.n;
            count.exact = count.exact && listedWhole;
            if (name.size() != sub.name.size()) continue;  // cannot be opened
            if (sub.link) {
                EnterLink(plan, sub, path, listedWhole, out);
                continue;
            }
            const std::string to = Join(at, upper);
            if (keys.at(to).failOpen) continue;
            Enter(plan, to, path, listedWhole, true, out);
        }
    }
};

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

// The plan, and the model of the registry it makes: a step the model turns
// down is left out of the plan.
Plan Decode(FuzzedDataProvider& in, Model& model) {
    Plan plan;
    plan.allRoots = in.ConsumeBool();
    plan.flags = in.ConsumeIntegralInRange(0, 7);
    static const char* const kSearches[] = {"C:", "c:", "", "a", "E"};
    const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(0, 5);
    plan.search = pick < 5 ? kSearches[pick] : Name(in, false).substr(0, 3);
    plan.stopAtEvent = in.ConsumeIntegralInRange<std::uint32_t>(0, 3) == 0 ? in.ConsumeIntegralInRange(1, 64) : 0;

    std::vector<Step> steps;
    std::vector<std::string> keys{""};
    auto anyKey = [&]() -> const std::string& {
        return keys[in.ConsumeIntegralInRange<std::size_t>(0, keys.size() - 1)];
    };
    for (int n = in.ConsumeIntegralInRange(0, 48); n > 0 && in.remaining_bytes() > 0; --n) {
        Step step;
        step.kind = static_cast<Step::Kind>(in.ConsumeIntegralInRange(0, 9) % 4 == 3 ? in.ConsumeIntegralInRange(2, 3)
                                                                                    : in.ConsumeIntegralInRange(0, 1));
        step.path = anyKey();
        switch (step.kind) {
        case Step::AddKey: {
            step.path = Join(step.path, Name(in, true));
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
        case Step::AddLink: break;
        }
        steps.push_back(step);
    }

    // Links are read last, so that an input without them reads as it did
    // before there were any; each goes in among the steps at a point of its
    // own, and may name keys that only later steps make.
    for (int n = in.ConsumeIntegralInRange(0, kMaxLinks); n > 0 && in.remaining_bytes() > 0; --n) {
        Step link;
        link.kind = Step::AddLink;
        const std::string parent = anyKey();
        link.path = Join(parent, Name(in, true));
        switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:  // any key: above, beside or below
            link.target = anyKey();
            break;
        case 1:  // the link's parent or a key above it: a loop
            link.target = parent;
            for (int up = in.ConsumeIntegralInRange(0, 3); up > 0; --up) link.target = Parent(link.target);
            break;
        case 2:  // a key the link itself brings into being
            link.target = Join(anyKey(), Name(in, true));
            keys.push_back(link.target);
            break;
        case 3:  // a path with an empty name in it: no key at all
            link.target = anyKey() + '\\';
            if (in.ConsumeBool()) link.target += '\\' + Name(in, true);
            break;
        }
        keys.push_back(link.path);
        steps.insert(steps.begin() + in.ConsumeIntegralInRange<std::ptrdiff_t>(0, steps.size()), link);
    }

    for (const Step& step : steps)
        if (model.Apply(step)) plan.steps.push_back(step);
    return plan;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider in(bytes, size);
    Model model;
    const Plan plan = Decode(in, model);
    // Nothing beyond what the model reaches, ever, checked as it comes: a
    // walk gone round a loop is caught at its first key too many.
    const Model::Reports expected = model.Expected(plan);
    auto due = [](const std::map<std::string, Model::Count>& reports, const std::string& path) {
        const auto it = reports.find(path);
        return it == reports.end() ? Model::Count{0, true} : it->second;
    };

    std::function<void()> stop;
    std::function<int()> openHandles;
    std::vector<std::string> stack{""};  // keys entered and not yet left
    std::string rootName;                // the root being walked
    std::uint32_t events = 0;
    bool stopped = false, finished = false;
    std::multiset<std::string> keysChanged, keyNamesFound, valueNamesFound;  // HKCU paths
    std::set<std::tuple<std::int32_t, std::string, std::string>> valuesFound;  // HKCU: kind, key, exact name
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
        if (root == kHkcuName) {
            FUZZ_CHECK(static_cast<int>(keysChanged.count(path)) < due(expected.keys, path).n);
            keysChanged.insert(path);
        }
        event();
    };
    listener.found = [&](const std::string& root, const std::string& key, const std::string& text,
                         std::int32_t kind, const engine::MatchedValue& value) {
        FUZZ_CHECK(root == rootName || (rootName.empty() && root == kHkcuName && !plan.allRoots));
        if (kind == engine::kFoundKeyName) {
            FUZZ_CHECK(dataMatchDue.empty());
            FUZZ_CHECK(text == "*");
            FUZZ_CHECK(Matches(plan, LastName(key)));
            // Just entered; after a Stop, a subkey of a level still listing.
            if (!stopped) FUZZ_CHECK(key == stack.back());
            FUZZ_CHECK(std::find(stack.begin(), stack.end(), Parent(key)) != stack.end());
            if (root == kHkcuName) {
                FUZZ_CHECK(static_cast<int>(keyNamesFound.count(key)) < due(expected.keys, key).n);
                keyNamesFound.insert(key);
            }
        } else {
            FUZZ_CHECK(kind == engine::kFoundValueName || kind == engine::kFoundValueData);
            FUZZ_CHECK(value.keyPath == stack.back());  // values of the key just entered
            // Shown up to a NUL it may hold, kept whole for the repair.
            const std::string shown = UpToNul(value.valueName);
            FUZZ_CHECK(key == value.keyPath + '\\' + shown);
            FUZZ_CHECK(value.keyPath.find('\0') == std::string::npos);
            // A key's values are listed once for each way to it, and each
            // way is reported under a path of its own.
            if (root == kHkcuName) {
                FUZZ_CHECK(expected.listed.count(value.keyPath));
                FUZZ_CHECK(valuesFound.insert({kind, value.keyPath, value.valueName}).second);
            }
            if (kind == engine::kFoundValueName) {
                FUZZ_CHECK(dataMatchDue.empty());
                FUZZ_CHECK(plan.flags & engine::kSearchValueNames);
                FUZZ_CHECK(Matches(plan, shown));
                if ((plan.flags & engine::kSearchValueData) && Matches(plan, UpToNul(text))) dataMatchDue = key;
                if (root == kHkcuName) {
                    FUZZ_CHECK(static_cast<int>(valueNamesFound.count(key)) < due(expected.valueNames, key).n);
                    valueNamesFound.insert(key);
                }
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

    // A whole walk reports everything the model reaches, as many times as it does.
    if (stopped) return 0;
    for (const auto& [path, count] : expected.keys) {
        const int n = static_cast<int>(keysChanged.count(path));
        if (count.exact) FUZZ_CHECK(n == count.n);
        // A key whose name matches is reported as found each time it is passed.
        FUZZ_CHECK(static_cast<int>(keyNamesFound.count(path)) == (Matches(plan, LastName(path)) ? n : 0));
    }
    for (const auto& [key, count] : expected.valueNames)
        if (count.exact) FUZZ_CHECK(static_cast<int>(valueNamesFound.count(key)) == count.n);
    return 0;
}
