// A repair of many values as the scan window runs it: its logic with the real
// list view in a shown window, the real registry, files, code page and yield.
// A scratch key holds (by default) 2,000 values naming missing files over
// keys of varied depth (some 10 levels and more, some holding hundreds of
// values); each round seeds them, scans (the scratch key stands in for the
// whole of HKEY_CURRENT_USER) and repairs every row. Best of 3 rounds with
// the backup on and with it off. The longest stretch without a look at the
// window's queue is measured inside the yield; a message box of the repair
// (answered at once here) counts as handling messages, as the real box does.
//
// Wine's server saves a changed registry about 30 s after a change and
// answers no one meanwhile; a round it falls into is beaten by another.
//
//   repair_bench              BENCH_VALUES in the environment sets the count
//   repair_bench VALUES
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchWindow.h"
#include "fakes/FakeUi.h"
#include "fakes/MemoryProfile.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32ListView.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Ui.h"
#include "platform/win32/WideText.h"
#include "profile/ModuleNormal.h"
#include "scan/FormRepair.h"
#include "shell/Layouts.h"

namespace {

using bench::Now;

// The real registry with the scratch key standing in for HKEY_CURRENT_USER
// and the other roots empty: the scan walks the seeded tree alone, and the
// repair reaches its keys from the same stand-in root.
class ScratchRegistry final : public platform::Registry {
public:
    explicit ScratchRegistry(const std::string& scratch) : scratch_(scratch) {}
    long OpenKeyEx(platform::RegHandle root, const std::string& path, std::uint32_t options, std::uint32_t access,
                   platform::RegHandle* out) override {
        const bool isRoot = root >= platform::kHkeyClassesRoot && root <= platform::kHkeyDynData;
        if (isRoot && root != platform::kHkeyCurrentUser) return platform::kErrorFileNotFound;
        return real_.OpenKeyEx(root, isRoot ? (path.empty() ? scratch_ : scratch_ + "\\" + path) : path, options, access,
                               out);
    }
    long EnumKey(platform::RegHandle key, std::uint32_t index, std::uint32_t nameChars, std::string* name) override {
        return real_.EnumKey(key, index, nameChars, name);
    }
    long EnumValue(platform::RegHandle key, std::uint32_t index, std::uint32_t nameChars, std::uint32_t dataBytes,
                   std::string* name, std::uint32_t* type, std::vector<std::uint8_t>* data) override {
        return real_.EnumValue(key, index, nameChars, dataBytes, name, type, data);
    }
    long CloseKey(platform::RegHandle key) override { return real_.CloseKey(key); }
    std::string CurrentUserSid() override { return {}; }
    long KeyName(platform::RegHandle key, std::string* name) override { return real_.KeyName(key, name); }
    long CreateKey(platform::RegHandle, const std::string&, platform::RegHandle*) override {
        return platform::kErrorAccessDenied;
    }
    long SetValue(platform::RegHandle, const std::string&, std::uint32_t, const std::vector<std::uint8_t>&) override {
        return platform::kErrorAccessDenied;
    }
    long DeleteValue(platform::RegHandle key, const std::string& name) override { return real_.DeleteValue(key, name); }
    long QueryValue(platform::RegHandle key, const std::string& name, std::uint32_t* type,
                    std::vector<std::uint8_t>* data) override {
        return real_.QueryValue(key, name, type, data);
    }

private:
    platform::win32::Win32Registry real_;
    std::string scratch_;
};

// The real yield, each look at the queue timed from the one before while a
// repair runs; message boxes answered at once, and counted as a look.
class MeasuringUi final : public platform::UiServices {
public:
    bool measuring = false;
    double longest = 0;
    std::vector<std::string> messages;

    void Start() {
        measuring = true;
        longest = 0;
        last_ = Now();
    }
    platform::MessageAnswer ShowMessage(const std::string& text, platform::MessageStyle) override {
        messages.push_back(text);
        Looked(Now());
        return platform::MessageAnswer::Ok;
    }
    void DoEvents() override { Measured(); }
    void DoEventsIfDue() override { Measured(); }
    double SecondsSinceMidnight() override { return real_.SecondsSinceMidnight(); }
    std::string NowText() override { return real_.NowText(); }

private:
    void Measured() {
        const double start = Now();
        const auto before = real_.Pumps();
        real_.DoEvents();
        if (real_.Pumps() != before) Looked(start);
    }
    void Looked(double at) {
        if (!measuring) return;
        longest = std::max(longest, at - last_);
        last_ = at;
    }
    platform::win32::Win32UiServices real_;
    double last_ = 0;
};

class StaticLabel final : public platform::Label {
public:
    StaticLabel(HWND parent, int x, int y, int width) {
        window_ = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, x, y, width,
                                    16, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    }
    void SetCaption(const std::string& text) override {
        if (text == text_) return;
        text_ = text;
        ::SetWindowTextW(window_, platform::win32::Wide(text).c_str());
        ::UpdateWindow(window_);
    }
    std::string Caption() const override { return text_; }
    void SetUnderline(bool) override {}

private:
    HWND window_;
    std::string text_;
};

// Keys of depth 1 to 14 below the scratch key; the first holds a quarter of
// the values, the others share the rest.
std::vector<std::wstring> SeedTree(const std::wstring& scratch, int values, const std::wstring& drive) {
    std::vector<std::wstring> keys;
    for (int k = 0; k < 60; ++k) {
        std::wstring path = scratch;
        for (int level = 0; level < k % 14; ++level) path += L"\\Level" + std::to_wstring(level);
        keys.push_back(path + L"\\Key" + std::to_wstring(k));
    }
    for (int i = 0; i < values; ++i) {
        const std::wstring& key = i % 4 == 0 ? keys[0] : keys[1 + i % (keys.size() - 1)];
        const std::wstring data = drive + L"\\Varnholt Bench Gone\\app" + std::to_wstring(i) + L".exe";
        ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), (L"value " + std::to_wstring(i)).c_str(), REG_SZ, data.c_str(),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    return keys;
}

}  // namespace

int main(int argc, char** argv) {
    int values = 2000;
    if (const char* env = std::getenv("BENCH_VALUES")) values = std::atoi(env);
    if (argc > 1) values = std::atoi(argv[1]);
    if (values < 1) {
        std::fprintf(stderr, "usage: repair_bench [values]\n");
        return 2;
    }
    wchar_t systemBuffer[MAX_PATH] = {};
    ::GetSystemDirectoryW(systemBuffer, MAX_PATH);
    const std::wstring drive = std::wstring(systemBuffer).substr(0, 2);
    const std::wstring scratchW = L"Software\\VarnholtRepair" + std::to_wstring(::GetCurrentProcessId());
    const std::string scratch = platform::win32::Utf8(scratchW);

    namespace layout = shell::layout;
    RECT r{0, 0, layout::Pixels(layout::kClientWidth), layout::Pixels(layout::kClientHeight)};
    ::AdjustWindowRect(&r, WS_POPUP | WS_CAPTION, FALSE);
    bench::Host host(L"Varnholt repair", WS_POPUP | WS_CAPTION, r.right - r.left, r.bottom - r.top);
    const auto& listSpec = layout::LayoutOf(layout::Form::Repair).lists.at(0);
    platform::win32::Win32ListView list(host.Handle(),
                                        RECT{layout::Pixels(listSpec.at.left), layout::Pixels(listSpec.at.top),
                                             layout::Pixels(listSpec.at.left + listSpec.at.width),
                                             layout::Pixels(listSpec.at.top + listSpec.at.height)});
    StaticLabel status(host.Handle(), 690, 56, 80), repairCount(host.Handle(), 690, 80, 80),
        currentKey(host.Handle(), 128, 112, 629);
    fakes::FakeTimer timer;
    fakes::FakeButton start, stop, repair, back;
    ScratchRegistry registry(scratch);
    platform::win32::Win32FileSystem files;
    platform::win32::Win32CodePage codePage;
    fakes::MemoryProfile profile;
    MeasuringUi ui;
    const std::string profilePath = files.AppFolder() + profile::kProfileName;

    double best[2] = {1e9, 1e9}, stall[2] = {1e9, 1e9};
    bool failed = false;
    for (int round = 0; round < 3 && !failed; ++round) {
        for (int backup = 1; backup >= 0 && !failed; --backup) {
            ::RegDeleteTreeW(HKEY_CURRENT_USER, scratchW.c_str());
            SeedTree(scratchW, values, drive);
            profile.values[{profilePath, "Settings", "BackupBeforeFix"}] = std::string(1, backup ? '1' : '0');
            scan::FormRepair form(scan::ScanWindowControls{list, status, repairCount, currentKey, timer, start, stop, repair,
                                                           back},
                                  scan::ScanServices{registry, files, codePage, profile, ui, [] {}});
            form.Form_Load();
            form.CommandStart_Click();
            if (static_cast<int>(form.Findings().size()) != values) {
                std::fprintf(stderr, "the scan listed %zu rows, not %d\n", form.Findings().size(), values);
                failed = true;
                break;
            }
            ui.messages.clear();
            ui.Start();
            const double began = Now();
            form.CommandRepair_Click();
            const double took = Now() - began;
            ui.measuring = false;
            const std::string expected = std::to_string(values) + " errors has repaired.";
            if (ui.messages.empty() || ui.messages.back() != expected) {
                std::fprintf(stderr, "the repair said \"%s\"\n", ui.messages.empty() ? "" : ui.messages.back().c_str());
                failed = true;
            }
            // The backup is the bench's own: it goes.
            if (backup && ui.messages.size() == 2 && ui.messages[0].rfind("Backup file:", 0) == 0)
                ::DeleteFileW(platform::win32::Wide(ui.messages[0].substr(12)).c_str());
            std::printf("  round %d, backup %s: %.0f ms, %.3f ms per value, longest stall %.0f ms\n", round + 1,
                        backup ? "on " : "off", took * 1000, took * 1000 / values, ui.longest * 1000);
            std::fflush(stdout);
            best[backup] = std::min(best[backup], took);
            stall[backup] = std::min(stall[backup], ui.longest);
        }
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, scratchW.c_str());
    if (failed) return 1;
    std::printf("backup off: %.3f ms per value, longest stall %.0f ms\n", best[0] * 1000 / values, stall[0] * 1000);
    std::printf("repair ms per value: %.3f\n", best[1] * 1000 / values);
    std::printf("repair longest stall ms: %.0f\n", std::max(stall[0], stall[1]) * 1000);
    return 0;
}
