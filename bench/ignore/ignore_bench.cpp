// The ignore list at scale, in one run, best of 3 rounds each:
//   - loading a list of 100,000 entries from its file, and the first lookup
//     (which works out every entry's place);
//   - a whole scan as the command line makes it (all seven roots, each
//     match judged by the scan's rules) with 30,000 entries in the list,
//     against the same scan with none. A scratch tree under HKCU gives the
//     scan 2,000 findings to look up; a tenth of them are ignored.
// The scratch tree and the list's file are removed at the end.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/FindingRules.h"
#include "engine/IgnoreList.h"
#include "engine/RegSearch.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/WideText.h"

namespace {

using platform::win32::Wide;

constexpr int kKeys = 100, kValuesPerKey = 20;  // 2,000 findings

template <typename F>
double Seconds(F f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Quiet : platform::UiServices {
    platform::MessageAnswer ShowMessage(const std::string&, platform::MessageStyle) override {
        return platform::MessageAnswer::Ok;
    }
    void DoEvents() override {}
    double SecondsSinceMidnight() override { return 0; }
    std::string NowText() override { return {}; }
};

struct Findings : engine::RegSearchListener {
    explicit Findings(engine::FindingRules& rules) : rules_(rules) {}
    int count = 0;
    void SearchFound(const std::string& root, const std::string& key, const std::string& value, std::int32_t found,
                     const engine::MatchedValue& matched) override {
        if (rules_.Judge(root, key, value, found, matched)) ++count;
    }
    void SearchFinished(std::int32_t) override {}
    void SearchKeyChanged(const std::string&) override {}

private:
    engine::FindingRules& rules_;
};

// The list's text: `entries` lines, value and key entries of places that
// are nowhere, and every tenth value of the scratch tree.
std::string ListText(int entries, const std::string& base) {
    std::string text;
    int made = 0;
    for (int k = 0; k < kKeys && made < entries; ++k)
        for (int v = 0; v < kValuesPerKey && made < entries; v += 10, ++made)
            text += "value\tHKEY_CURRENT_USER\t" + base + "\\K" + std::to_string(k) + "\tv" + std::to_string(v) + "\r\n";
    for (; made < entries; ++made) {
        if (made % 5 == 0)
            text += "key\tHKEY_LOCAL_MACHINE\tSoftware\\Vendor" + std::to_string(made) + "\\Old\r\n";
        else
            text += "value\tHKEY_CURRENT_USER\tSoftware\\Vendor" + std::to_string(made % 997) + "\\Run\tApp" +
                    std::to_string(made) + "\r\n";
    }
    return text;
}

}  // namespace

int main() {
    const std::string base = "Software\\VarnholtIgnoreBench" + std::to_string(GetCurrentProcessId());
    platform::win32::Win32FileSystem files;
    platform::win32::Win32Registry registry;
    engine::FindingRules probe(registry, files);
    const std::string drive = probe.SystemDrive();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string listPath = platform::win32::Utf8(temp) + "varnholt-ignore-bench.txt";

    std::printf("building %d values naming missing files under HKCU\\%s ...\n", kKeys * kValuesPerKey, base.c_str());
    for (int k = 0; k < kKeys; ++k) {
        HKEY key;
        RegCreateKeyExW(HKEY_CURRENT_USER, Wide(base + "\\K" + std::to_string(k)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr);
        for (int v = 0; v < kValuesPerKey; ++v) {
            const std::wstring text = Wide(drive + "\\Varnholt Gone\\app" + std::to_string(v) + ".exe");
            RegSetValueExW(key, Wide("v" + std::to_string(v)).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(key);
    }

    auto writeList = [&](const std::string& text) {
        files.RemoveFile(listPath);
        auto file = files.CreateNewFile(listPath);
        file->Write(text);
        file->Close();
    };
    const std::string sid = registry.CurrentUserSid();

    // Loading: the file read, its lines parsed, and the places worked out by
    // the first lookup.
    writeList(ListText(100000, base));
    double load = 1e9;
    for (int round = 0; round < 3; ++round)
        load = std::min(load, Seconds([&] {
            const std::optional<engine::IgnoreList> list = engine::LoadIgnoreList(files, listPath);
            list->Covers("HKEY_CURRENT_USER", base, "v", sid);
        }));

    // A whole scan with and without 30,000 entries, the list read as a scan
    // reads it.
    Quiet ui;
    auto scan = [&](int* findings) {
        engine::FindingRules rules(registry, files);
        rules.StartScan(engine::AllCategories(), *engine::LoadIgnoreList(files, listPath));
        Findings listener(rules);
        engine::cRegSearch walk(registry, ui, listener);
        walk.SetRootKey(0);
        walk.SetSubKey("");
        walk.SetSearchFlags(engine::kSearchValueNames | engine::kSearchValueData);
        walk.SetSearchString(drive);
        walk.DoSearch();
        *findings = listener.count;
    };
    double with = 1e9, without = 1e9;
    int foundWith = 0, foundWithout = 0;
    const std::string thirtyThousand = ListText(30000, base);
    for (int round = 0; round < 3; ++round) {
        writeList("");
        without = std::min(without, Seconds([&] { scan(&foundWithout); }));
        writeList(thirtyThousand);
        with = std::min(with, Seconds([&] { scan(&foundWith); }));
    }
    files.RemoveFile(listPath);
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(base).c_str());

    std::printf("scan without entries: %.2f s, %d findings; with 30,000 entries: %.2f s, %d findings\n", without,
                foundWithout, with, foundWith);
    std::printf("targets: load well under 1000 ms; scan with/without within noise (<= 1.05)\n");
    std::printf("ignore list load ms per 100000 entries: %.0f\n", load * 1000);
    std::printf("scan with 30000 ignore entries / without: %.2f\n", with / without);
    return 0;
}
