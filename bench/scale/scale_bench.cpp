// A scan at the scale of a real registry. Builds a tree of (by default)
// 200,000 keys and 400,000 values under a scratch key, shaped like a real
// registry, and times in one run, best of 3 rounds each:
//   - a bare walk (each key opened once relative to its parent, no pump);
//   - the whole scan as the program runs it: the scan window's logic with
//     the real list view in a shown window, the real yield, the real file
//     system, classification and rows;
//   - the same scan where no value names a missing file.
// It reports the longest stretch in which the window's messages were not
// handled, measured inside the yield, and the step that held it. The tree is
// removed at the end.
//
//   scale_bench              BENCH_KEYS in the environment sets the key count
//   scale_bench KEYS
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchWindow.h"
#include "fakes/FakeUi.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32ListView.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Ui.h"
#include "platform/win32/WideText.h"
#include "scan/FormRepair.h"
#include "shell/Layouts.h"

namespace {

// ----------------------------------------------------------------- the tree

// Every missing file the tree names carries this in its name, so that the
// scan without findings can be told which files to take as present.
constexpr const wchar_t* kGoneMark = L"vbgone";

struct Random {
    unsigned long long state = 0x9E3779B97F4A7C15ull;
    unsigned Next(unsigned below) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>((state >> 33) % below);
    }
    bool Chance(unsigned percent) { return Next(100) < percent; }
    bool PerMille(unsigned perMille) { return Next(1000) < perMille; }
};

struct TreeStats {
    long keys = 0, values = 0, strings = 0, naming = 0, missing = 0;
};

class TreeBuilder {
public:
    TreeBuilder(const std::wstring& systemDir, const std::vector<std::wstring>& files)
        : systemDir_(systemDir), drive_(systemDir.substr(0, 2)), files_(files) {}

    TreeStats stats;

    void Build(HKEY scratch, long keys) {
        // Class registrations: a third of the tree, wide (tens of thousands
        // of siblings), each a class key with two subkeys.
        HKEY classes = Create(scratch, L"Classes");
        HKEY clsid = Create(classes, L"CLSID");
        const long classCount = keys * 35 / 100 / 3;
        for (long i = 0; i < classCount; ++i) AddClass(clsid, i);
        ::RegCloseKey(clsid);
        ::RegCloseKey(classes);

        // A few keys with thousands of values each.
        HKEY shared = Create(scratch, L"SharedDLLs");
        for (int i = 0; i < 3000; ++i) {
            const DWORD count = 1 + rng_.Next(9);
            Set(shared, FileText(rng_.Next(4), false), REG_DWORD, &count, sizeof count);
        }
        ::RegCloseKey(shared);
        HKEY cache = Create(scratch, L"MuiCache");
        for (int i = 0; i < 2000; ++i) SetText(cache, FileText(0, false), L"Application " + std::to_wstring(i));
        ::RegCloseKey(cache);
        HKEY big = Create(scratch, L"FileList");
        for (int i = 0; i < 20000; ++i) SetText(big, L"File" + std::to_wstring(i), FileText(rng_.Next(4), true));
        ::RegCloseKey(big);

        // Software: vendors, products, versions and settings, of varied depth.
        HKEY software = Create(scratch, L"Software");
        long left = keys - stats.keys - 2;
        for (int vendor = 0; left > 0; ++vendor) {
            const long size = std::min<long>(left, 50 + rng_.Next(900));
            HKEY v = Create(software, L"Vendor " + std::to_wstring(vendor));
            AddValues(v);
            Subtree(v, size - 1, 0);
            ::RegCloseKey(v);
            left -= size;
        }
        // One long chain, as the deepest paths of a real registry.
        HKEY deep = Create(software, L"Deep");
        for (int depth = 0; depth < 40; ++depth) {
            HKEY next = Create(deep, L"Level" + std::to_wstring(depth));
            AddValues(next);
            ::RegCloseKey(deep);
            deep = next;
        }
        ::RegCloseKey(deep);
        ::RegCloseKey(software);
    }

private:
    HKEY Create(HKEY parent, const std::wstring& name) {
        HKEY key = nullptr;
        ::RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        ++stats.keys;
        return key;
    }
    void Set(HKEY key, const std::wstring& name, DWORD type, const void* data, DWORD size) {
        ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
        ++stats.values;
    }
    void SetText(HKEY key, const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ) {
        Set(key, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        ++stats.strings;
        if (text.find(drive_) != std::wstring::npos) ++stats.naming;
        if (text.find(kGoneMark) != std::wstring::npos) ++stats.missing;
    }

    // A path on the system drive. Most name one of a few thousand existing
    // files, as written in real registrations (the folder's case varies, the
    // file's is the file's own); about one in a hundred names a missing file,
    // usually in a folder that is gone as well.
    std::wstring Path(bool mayBeMissing) {
        if (mayBeMissing && rng_.PerMille(10)) {
            const std::wstring name = std::wstring(kGoneMark) + std::to_wstring(missingNames_++);
            if (rng_.Chance(80)) return drive_ + L"\\Program Files\\Uninstalled " + std::to_wstring(rng_.Next(50)) + L"\\" + name + L".dll";
            return systemDir_ + L"\\" + name + L".ocx";
        }
        const std::wstring& file = files_[rng_.Next(static_cast<unsigned>(files_.size()))];
        return (rng_.Chance(50) ? systemDir_ : drive_ + L"\\Windows\\System32") + L"\\" + file;
    }
    // A value text that names a file, in one of the usual forms.
    std::wstring FileText(unsigned form, bool mayBeMissing) {
        const std::wstring path = Path(mayBeMissing);
        switch (form) {
            case 1: return L"\"" + path + L"\" /background";
            case 2: return L"rundll32.exe " + path + L",Entry" + std::to_wstring(rng_.Next(9));
            case 3: return path + L" %1";
            default: return path;
        }
    }

    void AddClass(HKEY clsid, long i) {
        wchar_t guid[48];
        ::swprintf(guid, 48, L"{%08X-%04X-%04X-%04X-%04X%08X}", static_cast<unsigned>(i) * 2654435761u, rng_.Next(65536),
                   rng_.Next(65536), rng_.Next(65536), rng_.Next(65536), rng_.Next(1u << 31));
        HKEY key = Create(clsid, guid);
        SetText(key, L"", L"Component Class " + std::to_wstring(i));
        HKEY server = Create(key, rng_.Chance(70) ? L"InprocServer32" : L"LocalServer32");
        SetText(server, L"", FileText(rng_.Chance(80) ? 0 : 1, true));
        SetText(server, L"ThreadingModel", rng_.Chance(50) ? L"Apartment" : L"Both");
        ::RegCloseKey(server);
        HKEY progId = Create(key, L"ProgID");
        SetText(progId, L"", L"Vendor" + std::to_wstring(i % 300) + L".Component." + std::to_wstring(i % 7));
        ::RegCloseKey(progId);
        ::RegCloseKey(key);
    }

    // A key's own values: strings (a third of them naming files), numbers,
    // binary blobs and lists; about 2.25 a key.
    void AddValues(HKEY key) {
        const unsigned count = rng_.Next(5) + (rng_.Chance(25) ? 1 : 0);
        for (unsigned i = 0; i < count; ++i) {
            const std::wstring name = i == 0 && rng_.Chance(30) ? L"" : L"Setting" + std::to_wstring(i);
            const unsigned kind = rng_.Next(100);
            if (kind < 60) {
                if (rng_.Chance(30))
                    SetText(key, name, FileText(rng_.Next(4), true));
                else if (rng_.Chance(10))
                    SetText(key, name, L"%SystemRoot%\\System32\\setting" + std::to_wstring(i) + L".dll", REG_EXPAND_SZ);
                else if (rng_.Chance(5))
                    SetText(key, name, drive_ + L"\\Users\\Public\\Documents\\Folder " + std::to_wstring(rng_.Next(100)));
                else
                    SetText(key, name, L"Some setting text " + std::to_wstring(rng_.Next(100000)));
            } else if (kind < 85) {
                const DWORD number = rng_.Next(1u << 30);
                Set(key, name, REG_DWORD, &number, sizeof number);
            } else if (kind < 95) {
                std::vector<BYTE> blob(16 + rng_.Next(240));
                for (BYTE& b : blob) b = static_cast<BYTE>(rng_.Next(256));
                Set(key, name, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
            } else {
                const std::wstring list = std::wstring(L"first\0second\0third\0\0", 20);
                Set(key, name, REG_MULTI_SZ, list.c_str(), static_cast<DWORD>(list.size() * sizeof(wchar_t)));
            }
        }
    }

    // `size` keys below `parent`, spread over a few children each.
    void Subtree(HKEY parent, long size, int depth) {
        while (size > 0) {
            const long childSize = depth > 6 ? 1 : std::min<long>(size, 1 + rng_.Next(static_cast<unsigned>(size < 40 ? size : 40)));
            HKEY child = Create(parent, L"Key" + std::to_wstring(size) + L"_" + std::to_wstring(depth));
            AddValues(child);
            Subtree(child, childSize - 1, depth + 1);
            ::RegCloseKey(child);
            size -= childSize;
        }
    }

    std::wstring systemDir_, drive_;
    const std::vector<std::wstring>& files_;
    Random rng_;
    long missingNames_ = 0;
};

// Existing programs and libraries of the system folder, by their own names.
std::vector<std::wstring> SystemFiles(const std::wstring& systemDir) {
    std::vector<std::wstring> names;
    for (const wchar_t* pattern : {L"\\*.dll", L"\\*.exe"}) {
        WIN32_FIND_DATAW found;
        HANDLE find = ::FindFirstFileW((systemDir + pattern).c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        } while (::FindNextFileW(find, &found) && names.size() < 3000);
        ::FindClose(find);
    }
    return names;
}

// Each key opened once relative to its parent; names and values enumerated.
long BareWalk(HKEY key) {
    long keys = 1;
    wchar_t name[260];
    // The same buffers as the scan's, and like the scan it passes over a
    // value that does not fit them and reads on.
    static BYTE data[8192];
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = 260, type = 0, dataLen = sizeof data;
        const LONG result = ::RegEnumValueW(key, i, name, &nameLen, nullptr, &type, data, &dataLen);
        if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) break;
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = 260;
        if (::RegEnumKeyExW(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY sub;
        if (::RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        keys += BareWalk(sub);
        ::RegCloseKey(sub);
    }
    return keys;
}

// ------------------------------------------------------ the scan's services

using bench::Now;

// Where a scan's time goes besides the walk of the registry and the rules.
struct Spent {
    double files = 0, list = 0, labels = 0, pumps = 0;
};
Spent spent;

// Adds the time of its own life to a total.
class Timed {
public:
    explicit Timed(double& total) : total_(total), start_(Now()) {}
    ~Timed() { total_ += Now() - start_; }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;

private:
    double& total_;
    double start_;
};

// The real registry, with the scratch tree standing in for the whole of
// HKEY_CURRENT_USER and the other roots empty, so that the scan window's own
// start (all seven roots) walks the built tree and nothing else. It keeps
// each open key's parent and name, to name where the walk was; the walk
// closes its keys in the reverse order of opening them.
class ScratchRegistry final : public platform::Registry {
public:
    explicit ScratchRegistry(const std::string& scratch) : scratch_(scratch) {}
    bool inValues = false;  // the latest enumeration was of values

    // The path below the scratch key of the key of the latest enumeration.
    std::string LastKey() const {
        std::string path;
        for (platform::RegHandle key = lastHandle_; key != 0;) {
            const auto open = Find(key);
            if (open == open_.rend()) return "?";
            if (!open->name.empty()) path = path.empty() ? open->name : open->name + '\\' + path;
            key = open->parent;
        }
        return path;
    }

    std::string CurrentUserSid() override { return {}; }
    long OpenKeyEx(platform::RegHandle root, const std::string& path, std::uint32_t options, std::uint32_t access,
                   platform::RegHandle* out) override {
        const bool isRoot = root >= platform::kHkeyClassesRoot && root <= platform::kHkeyDynData;
        if (isRoot && root != platform::kHkeyCurrentUser) return platform::kErrorFileNotFound;
        const long result = real_.OpenKeyEx(root, isRoot && path.empty() ? scratch_ : path, options, access, out);
        if (result == platform::kErrorSuccess) open_.push_back({*out, isRoot ? 0 : root, path});
        return result;
    }
    long EnumKey(platform::RegHandle key, std::uint32_t index, std::uint32_t nameChars, std::string* name) override {
        lastHandle_ = key;
        inValues = false;
        return real_.EnumKey(key, index, nameChars, name);
    }
    long EnumValue(platform::RegHandle key, std::uint32_t index, std::uint32_t nameChars, std::uint32_t dataBytes,
                   std::string* name, std::uint32_t* type, std::vector<std::uint8_t>* data) override {
        lastHandle_ = key;
        inValues = true;
        return real_.EnumValue(key, index, nameChars, dataBytes, name, type, data);
    }
    long CloseKey(platform::RegHandle key) override {
        const auto open = Find(key);
        if (open != open_.rend()) open_.erase(std::next(open).base());
        return real_.CloseKey(key);
    }
    long KeyName(platform::RegHandle key, std::string* name) override { return real_.KeyName(key, name); }
    long CreateKey(platform::RegHandle, const std::string&, platform::RegHandle*) override {
        return platform::kErrorAccessDenied;
    }
    long SetValue(platform::RegHandle, const std::string&, std::uint32_t, const std::vector<std::uint8_t>&) override {
        return platform::kErrorAccessDenied;
    }
    long DeleteValue(platform::RegHandle, const std::string&) override { return platform::kErrorAccessDenied; }
    long QueryValue(platform::RegHandle key, const std::string& name, std::uint32_t* type,
                    std::vector<std::uint8_t>* data) override {
        return real_.QueryValue(key, name, type, data);
    }

private:
    struct OpenKey {
        platform::RegHandle handle, parent;  // parent 0: the scratch key itself
        std::string name;
    };
    // The latest opened first: usually the one looked for.
    std::vector<OpenKey>::const_reverse_iterator Find(platform::RegHandle key) const {
        return std::find_if(open_.rbegin(), open_.rend(), [&](const OpenKey& k) { return k.handle == key; });
    }
    platform::win32::Win32Registry real_;
    std::string scratch_;
    std::vector<OpenKey> open_;
    platform::RegHandle lastHandle_ = 0;
};

// The real file system; for the scan without findings, the files the tree
// names as missing count as present (without asking).
class BenchFiles final : public platform::win32::Win32FileSystem {
public:
    bool missingArePresent = false;
    long asked = 0;
    platform::Existence FileExistence(const std::string& path) override {
        Timed timed(spent.files);
        ++asked;
        if (missingArePresent) {
            std::string lower = path;
            for (char& c : lower) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
            if (lower.find("vbgone") != std::string::npos) return platform::Existence::Exists;
        }
        return Win32FileSystem::FileExistence(path);
    }
};

// The real services; every pump of the queue is timed from the one before,
// and the longest gap is kept with what the walk was doing at its end.
class MeasuringUi final : public platform::UiServices {
public:
    MeasuringUi(ScratchRegistry& registry, platform::ListView& list) : registry_(registry), list_(list) {}
    double longest = 0;
    std::string longestAt;
    long yields = 0;
    std::string over100;  // every stretch over 100 ms: its length, and when in its scan

    void StartScan() {
        lastPump_ = scanStart_ = Now();
        lastRows_ = 0;
        over100 += over100.empty() ? "" : " |";
    }

    platform::MessageAnswer ShowMessage(const std::string& text, platform::MessageStyle style) override {
        return real_.ShowMessage(text, style);
    }
    void DoEvents() override {
        ++yields;
        Measured([&] { real_.DoEvents(); });
    }
    void DoEventsIfDue() override {
        Measured([&] { real_.DoEventsIfDue(); });
    }
    double SecondsSinceMidnight() override { return real_.SecondsSinceMidnight(); }
    std::string NowText() override { return real_.NowText(); }

private:
    template <typename Pump>
    void Measured(Pump pump) {
        const double start = Now();
        const auto before = real_.Pumps();
        pump();
        if (real_.Pumps() == before) return;
        spent.pumps += Now() - start;
        const double gap = start - lastPump_;
        const int rows = list_.RowCount();
        if (gap > 0.1) {
            char stretch[64];
            std::snprintf(stretch, sizeof stretch, " %.0f ms at %.1f s", gap * 1000, start - scanStart_);
            over100 += stretch;
        }
        if (gap > longest) {
            longest = gap;
            char where[600];
            std::snprintf(where, sizeof where, "%s of HKCU\\%s, %d rows added since the pump before, which took %.1f ms",
                          registry_.inValues ? "the values" : "a subkey step", registry_.LastKey().c_str(),
                          rows - lastRows_, lastPumpTook_ * 1000);
            longestAt = where;
        }
        lastRows_ = rows;
        lastPump_ = start;
        lastPumpTook_ = Now() - start;
    }

    platform::win32::Win32UiServices real_;
    ScratchRegistry& registry_;
    platform::ListView& list_;
    double lastPump_ = 0, lastPumpTook_ = 0, scanStart_ = 0;
    int lastRows_ = 0;
};

// ------------------------------------------------------- the scan window

// A label shown at once, as the program's labels are.
class StaticLabel final : public platform::Label {
public:
    StaticLabel(HWND parent, int x, int y, int width) {
        window_ = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, x, y, width,
                                    16, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    }
    void SetCaption(const std::string& text) override {
        Timed timed(spent.labels);
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

// The real list, its time taken.
class TimedList final : public platform::ListView {
public:
    explicit TimedList(platform::ListView& real) : real_(real) {}
    void AddColumn(const std::string& header) override { real_.AddColumn(header); }
    void SetRows(platform::ListRows* rows) override { real_.SetRows(rows); }
    void SetRowCount(int count) override {
        Timed timed(spent.list);
        real_.SetRowCount(count);
    }
    int RowCount() const override { return real_.RowCount(); }
    void RowsChanged() override {
        Timed timed(spent.list);
        real_.RowsChanged();
    }
    void EnsureVisible(int row) override {
        Timed timed(spent.list);
        real_.EnsureVisible(row);
    }
    void AutoSizeColumns() override {
        Timed timed(spent.list);
        real_.AutoSizeColumns();
    }
    void Refresh() override {
        Timed timed(spent.list);
        real_.Refresh();
    }
    int Selected() const override { return real_.Selected(); }
    void Select(int row) override { real_.Select(row); }

private:
    platform::ListView& real_;
};

std::unique_ptr<bench::Host> MakeHost() {
    namespace layout = shell::layout;
    RECT r{0, 0, layout::Pixels(layout::kClientWidth), layout::Pixels(layout::kClientHeight)};
    ::AdjustWindowRect(&r, WS_POPUP | WS_CAPTION, FALSE);
    return std::make_unique<bench::Host>(L"Varnholt scan at scale", WS_POPUP | WS_CAPTION, r.right - r.left,
                                         r.bottom - r.top);
}

}  // namespace

int main(int argc, char** argv) {
    long keys = 200000;
    if (const char* env = std::getenv("BENCH_KEYS")) keys = std::atol(env);
    if (argc > 1) keys = std::atol(argv[1]);
    if (keys < 1000) {
        std::fprintf(stderr, "usage: scale_bench [keys]  (at least 1000; BENCH_KEYS also sets it)\n");
        return 2;
    }

    wchar_t systemBuffer[MAX_PATH] = {};
    ::GetSystemDirectoryW(systemBuffer, MAX_PATH);
    const std::wstring systemDir = systemBuffer;
    const std::wstring scratchW = L"Software\\VarnholtScale" + std::to_wstring(::GetCurrentProcessId());
    const std::string scratch = platform::win32::Utf8(scratchW);
    const std::vector<std::wstring> files = SystemFiles(systemDir);
    if (files.empty()) {
        std::fprintf(stderr, "no files in %ls to name\n", systemDir.c_str());
        return 1;
    }

    std::printf("building about %ld keys under HKCU\\%s ...\n", keys, scratch.c_str());
    std::fflush(stdout);
    const double buildStart = Now();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, scratchW.c_str());  // left by a run that was cut short
    HKEY root = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, scratchW.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr);
    TreeBuilder builder(systemDir, files);
    builder.Build(root, keys);
    ::RegCloseKey(root);
    // Wine's server writes a changed registry to disk by itself about 30 s
    // after the change, and answers no one while it writes the new tree: a
    // stall of the server, not of the scan, that would fall into a timed
    // walk. Nothing is timed before it has passed.
    std::printf("  waiting for the registry to be saved ...\n");
    std::fflush(stdout);
    ::Sleep(35000);
    const TreeStats& tree = builder.stats;
    std::printf("  %ld keys, %ld values: %ld strings, %ld of them holding the system drive, %ld naming missing files"
                " (%zu distinct existing files); built in %.0f s\n",
                tree.keys + 1, tree.values, tree.strings, tree.naming, tree.missing, files.size(), Now() - buildStart);
    std::fflush(stdout);

    const std::unique_ptr<bench::Host> hostWindow = MakeHost();
    const HWND host = hostWindow->Handle();
    const auto& listSpec = shell::layout::LayoutOf(shell::layout::Form::Repair).lists.at(0);
    namespace layout = shell::layout;
    platform::win32::Win32ListView list(host, RECT{layout::Pixels(listSpec.at.left), layout::Pixels(listSpec.at.top),
                                                   layout::Pixels(listSpec.at.left + listSpec.at.width),
                                                   layout::Pixels(listSpec.at.top + listSpec.at.height)});
    StaticLabel status(host, 690, 56, 80), repairCount(host, 690, 80, 80), currentKey(host, 128, 112, 629);
    // Never fired or pressed: the bench starts every scan itself.
    fakes::FakeTimer timer;
    fakes::FakeButton start, stop, repair, back;
    ScratchRegistry registry(scratch);
    BenchFiles benchFiles;
    TimedList timedList(list);
    MeasuringUi ui(registry, timedList);
    platform::win32::Win32Profile profile;  // written only by Stop and the repair, which the bench does not use
    platform::win32::Win32CodePage codePage;
    scan::FormRepair form(scan::ScanWindowControls{timedList, status, repairCount, currentKey, timer, start, stop, repair, back},
                          scan::ScanServices{registry, benchFiles, codePage, profile, ui, [] {}});
    form.Form_Load();
    platform::win32::PumpMessages();

    struct Best {
        double seconds = 1e30;
        long yields = 0, asked = 0;
        int rows = 0;
        Spent spent;
    } bare, withFindings, without;
    long bareKeys = 0;
    auto scanOnce = [&](bool findings, Best& best) {
        benchFiles.missingArePresent = !findings;
        benchFiles.asked = 0;
        ui.yields = 0;
        ui.StartScan();
        spent = Spent();
        const double t0 = Now();
        form.CommandStart_Click();
        platform::win32::PumpMessages();  // what the walk left for the window to paint
        const double seconds = Now() - t0;
        if (seconds < best.seconds) best = {seconds, ui.yields, benchFiles.asked, list.RowCount(), spent};
    };
    for (int round = 0; round < 3; ++round) {
        const double t0 = Now();
        HKEY scratchKey;
        ::RegOpenKeyExW(HKEY_CURRENT_USER, scratchW.c_str(), 0, KEY_READ, &scratchKey);
        bareKeys = BareWalk(scratchKey);
        ::RegCloseKey(scratchKey);
        bare.seconds = std::min(bare.seconds, Now() - t0);
        // Alternating which scan goes first, so neither has the warmer caches.
        scanOnce(round % 2 == 0, round % 2 == 0 ? withFindings : without);
        scanOnce(round % 2 != 0, round % 2 != 0 ? withFindings : without);
        std::printf("  round %d done\n", round + 1);
        std::fflush(stdout);
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, scratchW.c_str());

    const double scanRatio = withFindings.seconds / bare.seconds;
    const double findingsRatio = withFindings.seconds / without.seconds;
    std::printf("scan at scale, %ld keys (best of 3 each)\n", bareKeys);
    std::printf("  bare walk:              %8.2f s  %8.0f keys/s\n", bare.seconds, bareKeys / bare.seconds);
    std::printf("  scan with findings:     %8.2f s  %8.0f keys/s  %d findings, %ld yields, %ld file-system queries\n",
                withFindings.seconds, bareKeys / withFindings.seconds, withFindings.rows, withFindings.yields,
                withFindings.asked);
    std::printf("  scan without findings:  %8.2f s  %8.0f keys/s  %d findings, %ld file-system queries\n", without.seconds,
                bareKeys / without.seconds, without.rows, without.asked);
    for (const Best* scan : {&withFindings, &without}) {
        const Spent& in = scan->spent;
        std::printf("  %s: file system %.2f s, list %.2f s, labels %.2f s, handling messages %.2f s,"
                    " the walk and the rules %.2f s\n",
                    scan == &withFindings ? "with findings" : "without", in.files, in.list, in.labels, in.pumps,
                    scan->seconds - in.files - in.list - in.labels - in.pumps);
    }
    std::printf("  cost per finding: %.2f ms\n",
                withFindings.rows ? (withFindings.seconds - without.seconds) * 1000 / withFindings.rows : 0.0);
    std::printf("  longest stretch without handling messages: %.0f ms, at %s\n", ui.longest * 1000, ui.longestAt.c_str());
    std::printf("  stretches over 100 ms, scan by scan (| between scans):%s\n", ui.over100.c_str());
    std::printf("  targets: scan/bare <= 1.08, findings/none <= 1.05, longest stall <= 100 ms\n");
    std::printf("scale ratio scan/bare: %.2f\n", scanRatio);
    std::printf("scale ratio findings/none: %.2f\n", findingsRatio);
    std::printf("scale longest stall ms: %.0f\n", ui.longest * 1000);
    return 0;
}
