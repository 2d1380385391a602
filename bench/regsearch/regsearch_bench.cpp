// Times the search engine's walk over a large scratch tree against a bare
// walk of the same tree, in one run.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/FileReferences.h"
#include "engine/RegSearch.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Ui.h"

namespace {

constexpr int kTop = 20, kMiddle = 10, kLeaves = 100;  // 20,220 keys, 60,000 values

struct Counter : engine::RegSearchListener {
    long found = 0, keys = 0;
    void SearchFound(const std::string&, const std::string&, const std::string&, std::int32_t,
                     const engine::MatchedValue&) override { ++found; }
    void SearchFinished(std::int32_t) override {}
    void SearchKeyChanged(const std::string&) override { ++keys; }
};

void Build(const std::string& base, const std::string& drive) {
    for (int t = 0; t < kTop; ++t)
        for (int m = 0; m < kMiddle; ++m)
            for (int l = 0; l < kLeaves; ++l) {
                const std::string path = base + "\\Top" + std::to_string(t) + "\\Mid" + std::to_string(m) + "\\Leaf" +
                                         std::to_string(l);
                HKEY key;
                RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
                const std::string text = drive + "\\Program Files\\App" + std::to_string(l) + "\\bin\\app.exe /run";
                RegSetValueExA(key, "Command", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>(text.size() + 1));
                const DWORD number = static_cast<DWORD>(l);
                RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
                const BYTE blob[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
                RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, sizeof blob);
                RegCloseKey(key);
            }
}

// Each key opened once relative to its parent; names and values enumerated.
long BareWalk(HKEY key) {
    long keys = 1;
    char name[260];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = 260, type = 0, dataLen = sizeof data;
        if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = 260;
        if (RegEnumKeyExA(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY sub;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        keys += BareWalk(sub);
        RegCloseKey(sub);
    }
    return keys;
}

// The same services without the message pump, to show what the yield costs.
struct NoYield : platform::UiServices {
    platform::MessageAnswer ShowMessage(const std::string&, platform::MessageStyle) override {
        return platform::MessageAnswer::Ok;
    }
    void DoEvents() override {}
    double SecondsSinceMidnight() override { return 0; }
    std::string NowText() override { return {}; }
};

// The scan's search (value names and data, the drive as search text) below
// the scratch key.
void Search(platform::Registry& registry, platform::UiServices& ui, engine::RegSearchListener& listener,
            const std::string& base, const std::string& drive) {
    engine::cRegSearch walk(registry, ui, listener);
    walk.SetRootKey(platform::kHkeyCurrentUser);
    walk.SetSubKey(base);
    walk.SetSearchFlags(engine::kSearchValueNames | engine::kSearchValueData);
    walk.SetSearchString(drive);
    walk.DoSearch();
}

template <typename F>
double Seconds(F f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const std::string base = "Software\\VarnholtBench" + std::to_string(GetCurrentProcessId());
    platform::win32::Win32FileSystem files;
    engine::FileReferences refs(files);
    const std::string drive = refs.SystemDrive();
    std::printf("building %d keys with %d values under HKCU\\%s ...\n", kTop * kMiddle * kLeaves + kTop * kMiddle + kTop,
                3 * kTop * kMiddle * kLeaves, base.c_str());
    Build(base, drive);

    platform::win32::Win32Registry registry;
    platform::win32::Win32UiServices ui;
    NoYield quiet;
    double bare = 1e9, search = 1e9, unpumped = 1e9;
    long bareKeys = 0;
    Counter counter;
    for (int round = 0; round < 3; ++round) {
        bare = std::min(bare, Seconds([&] {
            HKEY root;
            RegOpenKeyExA(HKEY_CURRENT_USER, base.c_str(), 0, KEY_READ, &root);
            bareKeys = BareWalk(root);
            RegCloseKey(root);
        }));
        counter = Counter();
        search = std::min(search, Seconds([&] { Search(registry, ui, counter, base, drive); }));
        Counter ignored;
        unpumped = std::min(unpumped, Seconds([&] { Search(registry, quiet, ignored, base, drive); }));
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, base.c_str());

    std::printf("bare walk:  %.3f s  (%ld keys, %.0f keys/s)\n", bare, bareKeys, bareKeys / bare);
    std::printf("DoSearch:   %.3f s  (%ld keys, %ld matches, %.0f keys/s)\n", search, counter.keys, counter.found,
                counter.keys / search);
    std::printf("DoSearch without the message pump: %.3f s\n", unpumped);
    std::printf("ratio DoSearch / bare walk: %.2f (best of 3 rounds each)\n", search / bare);
    return 0;
}
