// The search engine's walk on the in-memory registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>

#include "engine/RegSearch.h"
#include "fakes/FakeUi.h"
#include "fakes/MemoryRegistry.h"
#include "platform/Text.h"

using namespace engine;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

namespace {

struct Recorder : RegSearchListener {
    std::vector<std::string> events;
    std::vector<std::int32_t> finished;
    std::function<void()> onFound;
    void SearchFound(const std::string& root, const std::string& key, const std::string& value, std::int32_t found,
                     const MatchedValue&) override {
        events.push_back("found " + std::to_string(found) + " " + root + " | " + key + " | " + value);
        if (onFound) onFound();
    }
    void SearchFinished(std::int32_t reason) override { finished.push_back(reason); }
    void SearchKeyChanged(const std::string& key) override { events.push_back("key " + key); }
};

class RegSearchTest : public ::testing::Test {
protected:
    fakes::MemoryRegistry reg;
    fakes::FakeUi ui;
    Recorder rec;
    cRegSearch search{reg, ui, rec};

    void Run(platform::RegHandle root, const std::string& sub, std::int32_t flags, const std::string& text) {
        search.SetRootKey(root);
        search.SetSubKey(sub);
        search.SetSearchFlags(flags);
        search.SetSearchString(text);
        search.DoSearch();
    }
};

using Events = std::vector<std::string>;

TEST_F(RegSearchTest, WalksDepthFirstValuesBeforeSubkeysAndReportsEveryKind) {
    reg.SetString(kHkeyCurrentUser, "Software", "C:\\in\\software.exe", "x");  // matched by name
    reg.SetString(kHkeyCurrentUser, "Software\\B", "", "c:\\default.dll");
    reg.AddKey(kHkeyCurrentUser, "Software\\A\\Deep C:");
    reg.SetString(kHkeyCurrentUser, "Software\\A", "both C:", "C:\\both.exe");
    reg.SetValue(kHkeyCurrentUser, "Software\\A", "num", 4, {1, 0, 0, 0});
    Run(kHkeyCurrentUser, "Software", 3, "c:");
    EXPECT_EQ(rec.events, (Events{
                              "found 1 HKEY_CURRENT_USER | Software\\C:\\in\\software.exe | x",
                              "key HKEY_CURRENT_USER\\Software\\A",
                              "found 1 HKEY_CURRENT_USER | Software\\A\\both C: | C:\\both.exe",
                              "found 2 HKEY_CURRENT_USER | Software\\A\\both C: | C:\\both.exe",
                              "key HKEY_CURRENT_USER\\Software\\A\\Deep C:",
                              "found 0 HKEY_CURRENT_USER | Software\\A\\Deep C: | *",
                              "key HKEY_CURRENT_USER\\Software\\B",
                              "found 2 HKEY_CURRENT_USER | Software\\B\\ | c:\\default.dll",
                          }));
    EXPECT_EQ(rec.finished, std::vector<std::int32_t>{0});
    EXPECT_EQ(reg.OpenHandles(), 0) << "every key opened is closed";
}

TEST_F(RegSearchTest, AllRootsInTableOrderWithoutTheirOwnValues) {
    reg.SetString(kHkeyLocalMachine, "", "C:\\root.exe", "C:\\root.exe");
    reg.AddKey(platform::kHkeyClassesRoot, ".txt");
    reg.AddKey(kHkeyLocalMachine, "Soft");
    reg.AddKey(kHkeyCurrentUser, "Env");
    Run(0, "", 3, "C:");
    EXPECT_EQ(rec.events, (Events{"key HKEY_CLASSES_ROOT\\.txt", "key HKEY_CURRENT_USER\\Env",
                                  "key HKEY_LOCAL_MACHINE\\Soft"}));
    EXPECT_EQ(rec.finished, std::vector<std::int32_t>{0});
}

TEST_F(RegSearchTest, ValuesOfARootGiveAKeyTextThatBeginsWithABackslash) {
    reg.SetString(kHkeyCurrentUser, "", "v", "C:\\x.exe");
    Run(kHkeyCurrentUser, "", 2, "C:");
    EXPECT_EQ(rec.events, (Events{"found 2 HKEY_CURRENT_USER | \\v | C:\\x.exe"}));
}

TEST_F(RegSearchTest, FlagsChooseWhatIsTested) {
    reg.SetString(kHkeyCurrentUser, "K", "c:", "c:");
    reg.SetString(kHkeyCurrentUser, "K", "n", "C:\\long");
    reg.AddKey(kHkeyCurrentUser, "K\\c:");
    struct Case {
        std::int32_t flags;
        std::string text;
        Events expected;
    } cases[] = {
        {0, "C:", {"found 0 HKEY_CURRENT_USER | K\\c: | *"}},
        {2, "c:", {"found 2 HKEY_CURRENT_USER | K\\c: | c:", "found 2 HKEY_CURRENT_USER | K\\n | C:\\long",
                   "found 0 HKEY_CURRENT_USER | K\\c: | *"}},
        {6, "C:", {"found 2 HKEY_CURRENT_USER | K\\c: | c:", "found 0 HKEY_CURRENT_USER | K\\c: | *"}},
        {5, "C:", {"found 1 HKEY_CURRENT_USER | K\\c: | c:", "found 0 HKEY_CURRENT_USER | K\\c: | *"}},
    };
    for (const Case& c : cases) {
        rec.events.clear();
        Run(kHkeyCurrentUser, "K", c.flags, c.text);
        Events found;
        for (const std::string& e : rec.events)
            if (e.rfind("found", 0) == 0) found.push_back(e);
        EXPECT_EQ(found, c.expected) << "flags " << c.flags;
    }
}

TEST_F(RegSearchTest, EmptySearchTextMatchesEveryNonEmptyText) {
    reg.SetString(kHkeyCurrentUser, "K", "", "");
    reg.SetString(kHkeyCurrentUser, "K", "a", "b");
    Run(kHkeyCurrentUser, "K", 3, "");
    EXPECT_EQ(rec.events, (Events{"found 1 HKEY_CURRENT_USER | K\\a | b", "found 2 HKEY_CURRENT_USER | K\\a | b"}));
}

TEST_F(RegSearchTest, ValuesThatDoNotFitAreSkippedAndTheRestExamined) {
    // The buffers hold a name of 259 characters and 4096 characters of
    // string data (its NUL included), however many bytes they take.
    const std::string longest = "C:\\" + std::string(4092, 'x');
    reg.SetString(kHkeyCurrentUser, "K", "first", "C:\\1.exe");
    reg.SetString(kHkeyCurrentUser, "K", "huge", "C:\\" + std::string(4093, 'x'));
    reg.SetString(kHkeyCurrentUser, "K", std::string(260, 'C') + ":", "C:\\long name.exe");
    reg.SetString(kHkeyCurrentUser, "K", std::string(258, 'C') + "\xC3\x84", "C:\\wide name.exe");
    reg.SetString(kHkeyCurrentUser, "K", "longest", longest);
    reg.SetString(kHkeyCurrentUser, "K", "third", "C:\\3.exe");
    Run(kHkeyCurrentUser, "K", 2, "C:");
    EXPECT_EQ(rec.events, (Events{"found 2 HKEY_CURRENT_USER | K\\first | C:\\1.exe",
                                  "found 2 HKEY_CURRENT_USER | K\\" + std::string(258, 'C') +
                                      "\xC3\x84 | C:\\wide name.exe",
                                  "found 2 HKEY_CURRENT_USER | K\\longest | " + longest,
                                  "found 2 HKEY_CURRENT_USER | K\\third | C:\\3.exe"}));
}

// A key that answers every value index with "does not fit", as a performance
// data key can.
struct EndlessKeyRegistry : fakes::MemoryRegistry {
    int calls = 0;
    long EnumValue(platform::RegHandle, std::uint32_t, std::uint32_t, std::uint32_t, std::string*, std::uint32_t*,
                   std::vector<std::uint8_t>*) override {
        ++calls;
        return platform::kErrorMoreData;
    }
};

// A search for "C:" in names and data below HKEY_CURRENT_USER\K of `reg`.
Recorder SearchBelowK(platform::Registry& reg) {
    fakes::FakeUi ui;
    Recorder rec;
    cRegSearch search(reg, ui, rec);
    search.SetRootKey(kHkeyCurrentUser);
    search.SetSubKey("K");
    search.SetSearchFlags(3);
    search.SetSearchString("C:");
    search.DoSearch();
    return rec;
}

TEST(RegSearchEndless, AKeyThatNeverFitsEndsItsEnumeration) {
    EndlessKeyRegistry reg;
    reg.AddKey(kHkeyCurrentUser, "K\\Sub");
    const Recorder rec = SearchBelowK(reg);
    EXPECT_EQ(rec.finished, std::vector<std::int32_t>{0});
    EXPECT_LT(reg.calls, 100000);
    EXPECT_EQ(rec.events, Events{"key HKEY_CURRENT_USER\\K\\Sub"}) << "the subkeys are still walked";
}

// Links, as made with REG_OPTION_CREATE_LINK, are keys of their own and
// never doors: a link is listed by name and walked as a key without subkeys
// holding its REG_LINK value; what it leads to is walked by its own path
// only, so loops and fans of links cost a step per link.
TEST(RegSearchLinks, ALinkIsWalkedAsALeaf) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> links;  // below K: link, target
        Events events;
    } cases[] = {
        {"to its own key", {{"self", "K"}}, {"key HKEY_CURRENT_USER\\K\\self"}},
        {"to an ancestor", {{"A\\B\\up", "K\\A"}},
         {"key HKEY_CURRENT_USER\\K\\A", "key HKEY_CURRENT_USER\\K\\A\\B", "key HKEY_CURRENT_USER\\K\\A\\B\\up"}},
        {"round two branches",
         {{"A\\toB", "K\\B"}, {"B\\toA", "K\\A"}},
         {"key HKEY_CURRENT_USER\\K\\A", "key HKEY_CURRENT_USER\\K\\A\\toB", "key HKEY_CURRENT_USER\\K\\B",
          "found 2 HKEY_CURRENT_USER | K\\B\\v | C:\\b.exe", "key HKEY_CURRENT_USER\\K\\B\\toA"}},
    };
    for (const Case& c : cases) {
        fakes::MemoryRegistry reg;
        reg.SetString(kHkeyCurrentUser, "K", "v", "C:\\k.exe");
        for (const auto& [link, target] : c.links) {
            reg.AddKey(kHkeyCurrentUser, target);
            if (std::string(target) == "K\\B") reg.SetString(kHkeyCurrentUser, target, "v", "C:\\b.exe");
            reg.AddLink(kHkeyCurrentUser, std::string("K\\") + link, kHkeyCurrentUser, target);
        }
        const Recorder rec = SearchBelowK(reg);
        Events expected{"found 2 HKEY_CURRENT_USER | K\\v | C:\\k.exe"};  // once, before the subkeys
        expected.insert(expected.end(), c.events.begin(), c.events.end());
        EXPECT_EQ(rec.events, expected) << c.what;
        EXPECT_EQ(rec.finished, std::vector<std::int32_t>{0}) << c.what;
        EXPECT_EQ(reg.OpenHandles(), 0) << c.what;
    }
}

// Two links in each of K0 to K19 to the next (2^20 ways down to K20) and
// 300 links to one key of 2,000 values: each key is opened once, and the
// values are seen under their own key's path alone.
TEST(RegSearchLinks, FansOfLinksCostAStepPerLink) {
    fakes::MemoryRegistry reg;
    constexpr int kLevels = 20;
    std::string path = "K";
    std::vector<std::string> levels;
    for (int i = 0; i <= kLevels; ++i) levels.push_back(path += "\\K" + std::to_string(i));
    reg.SetString(kHkeyCurrentUser, levels.back(), "v", "C:\\gone.exe");
    for (int i = 0; i < kLevels; ++i)
        for (const char* link : {"\\a", "\\b"}) reg.AddLink(kHkeyCurrentUser, levels[i] + link, kHkeyCurrentUser, levels[i + 1]);
    for (int i = 0; i < 2000; ++i) reg.SetString(kHkeyCurrentUser, "K\\Many", "v" + std::to_string(i), "C:\\many.exe");
    for (int i = 0; i < 300; ++i) reg.AddLink(kHkeyCurrentUser, "K\\L\\" + std::to_string(i), kHkeyCurrentUser, "K\\Many");
    const int opensBefore = reg.OpenCalls();
    const Recorder rec = SearchBelowK(reg);
    EXPECT_EQ(rec.finished, std::vector<std::int32_t>{0});
    EXPECT_EQ(reg.OpenCalls() - opensBefore, 2 + (kLevels + 1) + 2 * kLevels + 2 + 300);  // K for its values, then its keys
    const auto seen = [&](const char* file) {
        return std::count_if(rec.events.begin(), rec.events.end(),
                             [&](const std::string& e) { return e.find(file) != std::string::npos; });
    };
    EXPECT_EQ(seen("gone.exe"), 1);
    EXPECT_EQ(seen("many.exe"), 2000);
    EXPECT_EQ(reg.OpenHandles(), 0);
}

// A link opened as itself, as the system gives it: no subkeys, and the one
// value naming its target. A path through a link to a name below it still
// follows the link, as the system does for every name but the last.
TEST(MemoryRegistryLinks, ALinkOpenedAsItselfIsALeafHoldingItsTarget) {
    fakes::MemoryRegistry reg;
    reg.SetString(platform::kHkeyLocalMachine, "T\\Sub", "v", "x");
    reg.AddLink(platform::kHkeyLocalMachine, "L", platform::kHkeyLocalMachine, "T");
    platform::RegHandle key = 0;
    std::string name;
    ASSERT_EQ(reg.OpenKeyEx(platform::kHkeyLocalMachine, "L", platform::kRegOptionOpenLink, platform::kKeyRead, &key), 0);
    EXPECT_EQ(reg.EnumKey(key, 0, 260, &name), platform::kErrorNoMoreItems);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_EQ(reg.EnumValue(key, 0, 260, 8192, &name, &type, &data), 0);
    EXPECT_EQ(name, "SymbolicLinkValue");
    EXPECT_EQ(type, platform::kRegLink);
    EXPECT_EQ(data, platform::Utf8ToUtf16Bytes("\\REGISTRY\\MACHINE\\T"));
    EXPECT_EQ(reg.EnumValue(key, 1, 260, 8192, &name, &type, &data), platform::kErrorNoMoreItems);
    ASSERT_EQ(reg.KeyName(key, &name), 0);
    EXPECT_EQ(name, "\\REGISTRY\\MACHINE\\L");
    reg.CloseKey(key);
    ASSERT_EQ(reg.OpenKeyEx(platform::kHkeyLocalMachine, "L", 0, platform::kKeyRead, &key), 0);
    ASSERT_EQ(reg.KeyName(key, &name), 0);
    EXPECT_EQ(name, "\\REGISTRY\\MACHINE\\T") << "without the option, the link is its target";
    reg.CloseKey(key);
    ASSERT_EQ(reg.OpenKeyEx(platform::kHkeyLocalMachine, "L\\Sub", platform::kRegOptionOpenLink, platform::kKeyRead, &key), 0);
    ASSERT_EQ(reg.KeyName(key, &name), 0);
    EXPECT_EQ(name, "\\REGISTRY\\MACHINE\\T\\Sub");
    reg.CloseKey(key);
}

TEST_F(RegSearchTest, StopAtAYieldUnwindsAndReportsOne) {
    for (const char* key : {"A\\A1", "A\\A2 C:", "B", "C"}) reg.AddKey(kHkeyCurrentUser, std::string("S\\") + key);
    ui.onYield = [&](int n) {
        if (n == 3) search.StopSearch();  // while A's subkeys are being listed
    };
    Run(kHkeyCurrentUser, "S", 3, "C:");
    EXPECT_EQ(rec.events, (Events{"key HKEY_CURRENT_USER\\S\\A", "key HKEY_CURRENT_USER\\S\\A\\A1",
                                  "found 0 HKEY_CURRENT_USER | S\\A\\A2 C: | *"}))
        << "no key change after the stop, but names of open levels are still tested";
    EXPECT_EQ(rec.finished, std::vector<std::int32_t>{1});
    EXPECT_EQ(reg.OpenHandles(), 0);

    rec.events.clear();
    ui.onYield = nullptr;
    Run(kHkeyCurrentUser, "S", 3, "C:");
    EXPECT_EQ(rec.finished, (std::vector<std::int32_t>{1, 0})) << "the reason is reset after it is reported";
    EXPECT_EQ(rec.events.size(), 6u);
}

TEST_F(RegSearchTest, StopWhileIdleEndsTheNextSearchAtOnce) {
    reg.AddKey(kHkeyCurrentUser, "K");
    search.StopSearch();
    Run(0, "", 3, "C:");
    EXPECT_EQ(rec.finished, std::vector<std::int32_t>{1});
    EXPECT_TRUE(rec.events.empty());
    EXPECT_EQ(ui.yields, 0);
    Run(0, "", 3, "C:");
    EXPECT_EQ(rec.finished, (std::vector<std::int32_t>{1, 0}));
}

TEST_F(RegSearchTest, AFailureEndsTheWalkWithItsNumber) {
    reg.AddKey(platform::kHkeyClassesRoot, "A\\Bad");
    reg.AddKey(platform::kHkeyClassesRoot, "Z");
    reg.AddKey(kHkeyCurrentUser, "Later");
    reg.OnOpen(platform::kHkeyClassesRoot, "A\\Bad", [] { throw std::bad_alloc(); });
    Run(0, "", 3, "C:");
    EXPECT_EQ(rec.finished, std::vector<std::int32_t>{7});
    EXPECT_EQ(rec.events, (Events{"key HKEY_CLASSES_ROOT\\A", "key HKEY_CLASSES_ROOT\\A\\Bad"}))
        << "no further key and no further root";
    EXPECT_EQ(reg.OpenHandles(), 0);
}

// Such a name reads as empty; opening it would open the key itself again,
// and the walk would recurse until the stack ran out.
TEST_F(RegSearchTest, AKeyNameBeginningWithANulIsPassedOver) {
    reg.AddKey(kHkeyCurrentUser, std::string("S\\\0hidden", 9));
    reg.SetString(kHkeyCurrentUser, "S\\after", "v", "C:\\x.exe");
    Run(kHkeyCurrentUser, "S", 3, "C:");
    EXPECT_EQ(rec.events, (Events{"key HKEY_CURRENT_USER\\S\\after",
                                  "found 2 HKEY_CURRENT_USER | S\\after\\v | C:\\x.exe"}));
    EXPECT_EQ(rec.finished, std::vector<std::int32_t>{0});
    EXPECT_EQ(reg.OpenHandles(), 0);
}

TEST_F(RegSearchTest, YieldsOncePerSubkeyStepIncludingTheLast) {
    reg.AddKey(kHkeyCurrentUser, "K\\a");
    reg.AddKey(kHkeyCurrentUser, "K\\b");
    Run(kHkeyCurrentUser, "K", 3, "C:");
    EXPECT_EQ(ui.yields, 3 + 1 + 1);  // K: a, b, end; a: end; b: end
}

}  // namespace

// A key with many values has no yield of its own: the walk offers to handle
// messages at every value instead, without counting as a yield.
TEST_F(RegSearchTest, OffersToHandleMessagesAtEveryValueWithoutYielding) {
    for (int i = 0; i < 5; ++i) reg.SetString(kHkeyCurrentUser, "K\\Many", "v" + std::to_string(i), "C:\\x.exe");
    Run(kHkeyCurrentUser, "K", 3, "C:");
    EXPECT_GE(ui.dues, 5);
    EXPECT_EQ(ui.yields, 2 + 1);  // K: Many, end; Many: end
}

// Stop handled between two values of a key ends that key's values there: no
// match is reported after the Stop, which has already ticked the rows and
// written the count.
TEST_F(RegSearchTest, AStopBetweenValuesEndsTheValueWalk) {
    for (int i = 0; i < 6; ++i) reg.SetString(kHkeyCurrentUser, "K\\Many", "v" + std::to_string(i), "C:\\x.exe");
    reg.AddKey(kHkeyCurrentUser, "K\\Many\\Below");
    int found = 0;
    rec.onFound = [&] { ++found; };
    ui.onDue = [&](int) {
        if (found == 2) search.StopSearch();
    };
    Run(kHkeyCurrentUser, "K", 2, "C:");
    EXPECT_EQ(found, 2);
    EXPECT_EQ(rec.finished, std::vector<std::int32_t>{1});
    for (const std::string& event : rec.events) EXPECT_EQ(event.find("Below"), std::string::npos) << event;
}
