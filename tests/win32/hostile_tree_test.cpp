// The scan's walk over a registry tree built to hurt it: a chain of keys as
// deep as the registry allows, a key with 100,000 values, huge data, the
// longest names, a multi-string without terminators and a value of a type
// no one knows. The walk must end normally in bounded memory and still list
// every missing file it can read.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "contract/RegistrySandbox.h"
#include "engine/FileReferences.h"
#include "engine/RegSearch.h"
#include "fakes/FakeUi.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"

namespace {

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

// Lists the matches the scan window lists: a path that does not exist and
// ends with a listed extension.
struct MatchHandler : engine::RegSearchListener {
    explicit MatchHandler(engine::FileReferences& refs) : refs(refs) {}
    void SearchFound(const std::string&, const std::string& sKey, const std::string& sValue, std::int32_t,
                     const engine::MatchedValue&) override {
        Sample();
        const std::string path = refs.ExtractFilePath(sValue);
        if (refs.FileExists(path) || !engine::FileReferences::HasListedExtension(path)) return;
        listed.push_back(sKey);
    }
    void SearchFinished(std::int32_t lReason) override { reasons.push_back(lReason); }
    void SearchKeyChanged(const std::string&) override {
        Sample();
        ++keys;
    }
    void Sample() { highestWorkingSet = std::max(highestWorkingSet, Memory().WorkingSetSize); }

    engine::FileReferences& refs;
    std::vector<std::string> listed;  // key texts, relative to the root
    std::vector<std::int32_t> reasons;
    int keys = 0;
    SIZE_T highestWorkingSet = 0;  // as seen at the events
};

class HostileTree : public ::testing::Test {
protected:
    static constexpr int kManyValues = 100000;
    static constexpr int kMostLevels = 512;  // Windows stops here; some Wine versions much sooner

    static void SetUpTestSuite() {
        sandbox_ = MakeRegistrySandbox().release();
        base_ = sandbox_->base();
        platform::win32::Win32FileSystem files;
        const std::string gone = files.SystemDirectory().substr(0, 2) + "\\Varnholt Hostile\\";

        depth_ = BuildDeepChain(gone + "bottom.exe");

        HKEY many = Create("Many");
        for (int i = 0; i < kManyValues; ++i) {
            const DWORD number = i;
            const std::wstring name = L"v" + std::to_wstring(i);
            ASSERT_EQ(RegSetValueExW(many, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                     sizeof number),
                      ERROR_SUCCESS);
        }
        SetText(many, L"v" + std::to_wstring(kManyValues - 1), gone + "last of many.dll");
        RegCloseKey(many);

        HKEY huge = Create("Huge");
        // Zeros that are never written: building the tree should not raise
        // the peak working set much by itself.
        const SIZE_T tenMegabytes = 10 << 20;
        void* zeros = VirtualAlloc(nullptr, tenMegabytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        ASSERT_NE(zeros, nullptr);
        const LONG setHuge = RegSetValueExW(huge, L"ten megabytes", 0, REG_BINARY, static_cast<const BYTE*>(zeros),
                                            static_cast<DWORD>(tenMegabytes));
        VirtualFree(zeros, 0, MEM_RELEASE);
        ASSERT_EQ(setHuge, ERROR_SUCCESS);
        // One megabyte of text naming a missing program: too big to read.
        SetText(huge, L"one megabyte", gone + std::string((1 << 19) - 40, 'x') + "\\x.exe");
        RegCloseKey(huge);

        HKEY names = Create("Names");
        SetText(names, std::wstring(255, L'n'), gone + "long name.ocx");
        SetText(names, std::wstring(16383, L'N'), gone + "longest name.ocx");
        const std::string unended = gone + "unended.exe";  // no NUL anywhere
        std::wstring wide = Wide(unended);
        ASSERT_EQ(RegSetValueExW(names, L"multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(wide.data()),
                                 static_cast<DWORD>(wide.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        const std::string typeless = gone + "typeless.exe";
        ASSERT_EQ(RegSetValueExW(names, Wide(typeless).c_str(), 0, 0xFFFFFFFF,
                                 reinterpret_cast<const BYTE*>(typeless.data()), static_cast<DWORD>(typeless.size())),
                  ERROR_SUCCESS);
        RegCloseKey(names);

        HKEY longKey = Create("Names\\" + std::string(255, 'k'));
        SetText(longKey, L"under", gone + "under long key.sys");
        RegCloseKey(longKey);

        Walk(files);
    }

    static void TearDownTestSuite() {
        delete sandbox_;
        sandbox_ = nullptr;
    }

    static HKEY Create(const std::string& sub) {
        HKEY key = nullptr;
        const LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, Wide(base_ + "\\" + sub).c_str(), 0, nullptr, 0,
                                            KEY_ALL_ACCESS, nullptr, &key, nullptr);
        EXPECT_EQ(result, ERROR_SUCCESS) << sub;
        return key;
    }

    static void SetText(HKEY key, const std::wstring& name, const std::string& text) {
        const std::wstring wide = Wide(text);
        ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                                 static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    // Keys "Deep\d\d..." until the registry refuses one more level; the
    // deepest holds a missing file. Gives the number of "d" levels.
    static int BuildDeepChain(const std::string& missing) {
        HKEY key = Create("Deep");
        int levels = 0;
        for (HKEY next; levels < kMostLevels; ++levels) {
            if (RegCreateKeyExW(key, L"d", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &next, nullptr) != ERROR_SUCCESS)
                break;
            RegCloseKey(key);
            key = next;
        }
        SetText(key, L"bottom", missing);
        RegCloseKey(key);
        return levels;
    }

    // The scan's walk, restricted to the scratch key, with the scan window's
    // flags and search text.
    static void Walk(platform::win32::Win32FileSystem& files) {
        platform::win32::Win32Registry registry;
        fakes::FakeUi ui;
        engine::FileReferences refs(files);
        MatchHandler handler(refs);
        engine::cRegSearch search(registry, ui, handler);
        search.SetRootKey(platform::kHkeyCurrentUser);
        search.SetSubKey(base_);
        search.SetSearchFlags(engine::kSearchValueNames | engine::kSearchValueData);
        search.SetSearchString(refs.SystemDrive());
        // The peak of the whole process also holds what earlier tests used,
        // so the walk is judged by how far it raises that peak and by the
        // working set seen at its events.
        const PROCESS_MEMORY_COUNTERS before = Memory();
        search.DoSearch();
        const PROCESS_MEMORY_COUNTERS after = Memory();
        workingSetBefore_ = before.WorkingSetSize;
        peakBefore_ = before.PeakWorkingSetSize;
        peakAfter_ = after.PeakWorkingSetSize;
        highestDuringWalk_ = handler.highestWorkingSet;
        std::printf("[ memory   ] before the walk: working set %llu KB, peak %llu KB; during it: working set up to "
                    "%llu KB; after it: peak %llu KB. %d levels deep, %d keys walked\n",
                    static_cast<unsigned long long>(workingSetBefore_ >> 10),
                    static_cast<unsigned long long>(peakBefore_ >> 10),
                    static_cast<unsigned long long>(highestDuringWalk_ >> 10),
                    static_cast<unsigned long long>(peakAfter_ >> 10), depth_, handler.keys);
        listed_ = handler.listed;
        reasons_ = handler.reasons;
    }

    static bool Listed(const std::string& keyText) {
        for (const std::string& listed : listed_)
            if (listed == base_ + "\\" + keyText) return true;
        return false;
    }

    static inline RegistrySandbox* sandbox_ = nullptr;
    static inline std::string base_;
    static inline int depth_ = 0;
    static inline SIZE_T workingSetBefore_ = 0, peakBefore_ = 0, highestDuringWalk_ = 0, peakAfter_ = 0;
    static inline std::vector<std::string> listed_;
    static inline std::vector<std::int32_t> reasons_;
};

TEST_F(HostileTree, TheWalkEndsNormallyInBoundedMemory) {
    EXPECT_EQ(reasons_, std::vector<std::int32_t>{0});
    EXPECT_GE(depth_, 100) << "the chain reaches as deep as the registry allows";
    // The walk reads through fixed buffers: ten megabytes of data must not
    // be read whole, nor the 100,000 values kept.
    constexpr SIZE_T kBound = SIZE_T(64) << 20;
    EXPECT_LT(highestDuringWalk_, workingSetBefore_ + kBound);
    EXPECT_LT(peakAfter_, peakBefore_ + kBound);
}

TEST_F(HostileTree, EveryMissingFileThatFitsTheBuffersIsListed) {
    std::string deepest = "Deep";
    for (int i = 0; i < depth_; ++i) deepest += "\\d";
    EXPECT_TRUE(Listed(deepest + "\\bottom")) << "at the bottom of the chain";
    EXPECT_TRUE(Listed("Many\\v" + std::to_string(kManyValues - 1))) << "the last of 100,000 values";
    EXPECT_TRUE(Listed("Names\\" + std::string(255, 'n'))) << "a value name of 255 characters";
    EXPECT_TRUE(Listed("Names\\" + std::string(255, 'k') + "\\under")) << "under a key name of 255 characters";
    EXPECT_TRUE(Listed("Names\\multi")) << "a multi-string without terminators";
    EXPECT_EQ(listed_.size(), 5u);
}

TEST_F(HostileTree, TheOneMegabyteStringIsSkippedAsOversized) {
    EXPECT_FALSE(Listed("Huge\\one megabyte"));
}

TEST_F(HostileTree, ANameOf16383CharactersIsSkippedAsOversized) {
    EXPECT_FALSE(Listed("Names\\" + std::string(16383, 'N')));
}

TEST_F(HostileTree, AValueOfAnUnknownTypeIsNotListed) {
    for (const std::string& listed : listed_) EXPECT_EQ(listed.find("typeless"), std::string::npos) << listed;
}

}  // namespace
