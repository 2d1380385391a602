// The scan, the backup and the repair on the real registry and file system.
#include <windows.h>

#include <gtest/gtest.h>

#include "engine/RootKeys.h"
#include "fakes/FakeUi.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/WideText.h"
#include "profile/ModuleNormal.h"
#include "scan/BackupWriter.h"
#include "scan/FormRepair.h"
#include "scan/ValueRemoval.h"
#include "win32/app_test_support.h"
#include "win32/registry_links.h"

namespace {

using platform::win32::Utf8;
using platform::win32::Wide;
using registry_links::Link;
using registry_links::PlantedValue;
using registry_links::RegistryName;

// A scratch key under HKCU\Software, deleted with its tree.
struct ScratchKey {
    std::string path = "Software\\VarnholtScan" + std::to_string(GetCurrentProcessId());
    ScratchKey() { RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path).c_str()); }
    ~ScratchKey() { RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path).c_str()); }
    void Set(const std::string& sub, const std::wstring& name, DWORD type, const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path + sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void SetText(const std::string& sub, const std::wstring& name, const std::wstring& text) {
        Set(sub, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    // Type and bytes as stored, read with the wide function; empty type -1 when missing.
    std::pair<long, std::vector<BYTE>> Get(const std::string& sub, const std::wstring& name) {
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path + sub).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return {-1, {}};
        DWORD type = 0, size = 0;
        std::vector<BYTE> data;
        long result = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
        if (result == ERROR_SUCCESS) {
            data.resize(size);
            RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
            data.resize(size);
        }
        RegCloseKey(key);
        return {result == ERROR_SUCCESS ? static_cast<long>(type) : -1, data};
    }
};

// The real file system with the application folder in a temporary folder.
class TempAppFiles : public platform::win32::Win32FileSystem {
public:
    TempAppFiles() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = Utf8(temp) + "varnholt-app-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryW(Wide(folder_).c_str(), nullptr);
    }
    std::string AppFolder() override { return folder_; }

private:
    std::string folder_;
};

TEST(ScanOnTheRealRegistry, FindsExactlyTheSeededMissingFiles) {
    ScratchKey scratch;
    platform::win32::Win32FileSystem realFiles;
    const std::string system = realFiles.SystemDirectory();
    const std::string drive = system.substr(0, 2);
    scratch.SetText("", L"present", Wide(system + "\\kernel32.dll"));
    scratch.SetText("", L"missing", Wide("\"" + drive + "\\Varnholt Gone\\app.exe\" /run"));
    scratch.SetText("\\Sub", L"", Wide(drive + "\\Varnholt Gone\\lib.dll,1"));
    scratch.SetText("\\Sub", L"note", Wide(drive + "\\Varnholt Gone\\readme.txt"));

    platform::win32::Win32Registry registry;
    TempAppFiles files;
    platform::win32::Win32CodePage codePage;
    platform::win32::Win32Profile profile;
    fakes::FakeUi ui;
    fakes::FakeListView list;
    fakes::FakeLabel status, repairCount, currentKey;
    fakes::FakeTimer timer;
    fakes::FakeButton start, stop, repair, ret;
    scan::FormRepair form({list, status, repairCount, currentKey, timer, start, stop, repair, ret},
                          {registry, files, codePage, profile, ui, [] {}});
    form.Form_Load();
    start.Press();
    EXPECT_EQ(currentKey.caption, "Scan finished");

    std::vector<std::string> mine;
    for (int row = 1; row <= list.RowCount(); ++row)
        if (list.Text(row, 2).rfind(scratch.path, 0) == 0)
            mine.push_back(list.Text(row, 0) + " " + list.Text(row, 1) + " " + list.Text(row, 2));
    EXPECT_EQ(mine, (std::vector<std::string>{"VALUE VALUE HKEY_CURRENT_USER " + scratch.path + "\\missing",
                                              "VALUE VALUE HKEY_CURRENT_USER " + scratch.path + "\\Sub\\"}));
}

// Only the system's own "not there" answers make a file missing.
TEST(FileExistenceOnTheRealSystem, FilesAndFoldersExistAndOnlyNotFoundIsMissing) {
    platform::win32::Win32FileSystem files;
    const std::string system = files.SystemDirectory(), drive = system.substr(0, 2);
    using platform::Existence;
    const struct {
        std::string path;
        Existence answer;
    } cases[] = {
        {system + "\\kernel32.dll", Existence::Exists},
        {system, Existence::Exists},
        {drive + "\\WINDOWS\\SYSTEM32\\KERNEL32.DLL", Existence::Exists},
        {system + "\\varnholt-gone.dll", Existence::Missing},           // file not found
        {drive + "\\Varnholt Gone\\app.exe", Existence::Missing},       // path not found
        {drive + "\\Varnholt Gone\\a<b>.exe", Existence::Missing},      // no valid name
    };
    for (const auto& c : cases) EXPECT_EQ(files.FileExistence(c.path), c.answer) << c.path;

    // A server or share that cannot be reached may still hold the file, as
    // may a file the system will not show.
    const struct {
        DWORD error;
        Existence answer;
    } errors[] = {
        {ERROR_FILE_NOT_FOUND, Existence::Missing},      {ERROR_PATH_NOT_FOUND, Existence::Missing},
        {ERROR_INVALID_NAME, Existence::Missing},        {ERROR_BAD_NETPATH, Existence::CannotTell},
        {ERROR_BAD_NET_NAME, Existence::CannotTell},     {ERROR_NETNAME_DELETED, Existence::CannotTell},
        {ERROR_NETWORK_UNREACHABLE, Existence::CannotTell}, {ERROR_REM_NOT_LIST, Existence::CannotTell},
        {ERROR_ACCESS_DENIED, Existence::CannotTell},    {ERROR_NOT_READY, Existence::CannotTell},
    };
    for (const auto& e : errors) EXPECT_EQ(platform::win32::ExistenceAfter(e.error), e.answer) << e.error;
}

TEST(BackupOnTheRealRegistry, RestoringTheBackupGivesBackEveryTypeAndByte) {
    ScratchKey scratch;
    struct Seed {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
        bool holdable;
    };
    auto text = [](const std::wstring& s, bool nul = true) {
        std::vector<BYTE> b(reinterpret_cast<const BYTE*>(s.c_str()),
                            reinterpret_cast<const BYTE*>(s.c_str()) + (s.size() + (nul ? 1 : 0)) * 2);
        return b;
    };
    std::vector<BYTE> big(5000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<BYTE>(i * 7);
    const std::vector<Seed> seeds = {
        {L"string", REG_SZ, text(L"C:\\Old\\app.exe"), true},
        {L"empty", REG_SZ, text(L""), true},
        {L"tricky", REG_SZ, text(L"a\\b \"q\"\r\nnext line"), true},
        {L"expand", REG_EXPAND_SZ, text(L"%SystemRoot%\\x.dll"), true},
        {L"multi", REG_MULTI_SZ, text(std::wstring(L"one\0two\0", 8)), true},
        {L"dword", REG_DWORD, {0x1A, 0, 0, 0x80}, true},
        {L"bin0", REG_BINARY, {}, true},
        {L"bin1", REG_BINARY, {0xAB}, true},
        {L"bin5000", REG_BINARY, big, true},
        {L"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, true},
        {L"none", REG_NONE, {9, 8}, true},
        {L"C:\\Path\\name.dll", REG_SZ, text(L"C:\\x.dll"), true},
        {L"", REG_SZ, text(L"default"), true},
        // Beyond REGEDIT4 in the code page: the backup is the Unicode export.
        {L"foreign", REG_SZ, text(L"C:\\\x4E2D\x6587.exe"), true},
        {L"unended", REG_SZ, text(L"abc", false), true},
        {L"inner nul", REG_SZ, text(std::wstring(L"ab\0cd", 5)), true},
    };
    std::vector<Seed> stored;
    for (const Seed& s : seeds) {
        scratch.Set("\\K", s.name, s.type, s.data.data(), static_cast<DWORD>(s.data.size()));
        // Wine adds the missing NUL to a string stored without one; Windows
        // keeps the bytes as given. Either way the backup must give back what
        // the registry holds.
        Seed now = s;
        now.data = scratch.Get("\\K", s.name).second;
        stored.push_back(now);
    }

    platform::win32::Win32Registry registry;
    TempAppFiles files;
    platform::win32::Win32CodePage codePage;
    std::vector<engine::Finding> findings;
    for (const Seed& s : stored) {
        // As the scan lists the value: where it really is, as it is.
        engine::Finding f;
        f.rootName = "HKEY_CURRENT_USER";
        f.root = platform::kHkeyCurrentUser;
        f.keyPath = scratch.path + "\\K";
        f.realPlace = *engine::RootFormOf(RegistryName(HKEY_CURRENT_USER, f.keyPath));
        f.valueName = Utf8(s.name);
        f.type = s.type;
        f.data = s.data;
        f.keyText = f.keyPath + "\\" + f.valueName;
        f.ticked = true;
        findings.push_back(f);
    }
    const scan::BackupResult backup = scan::WriteBackupFile(findings, registry, files, codePage, "12/10/2026 1:02:03 PM");
    ASSERT_TRUE(backup.written) << backup.path;
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const bool held = backup.outcomes[i] == engine::Outcome::None;
        EXPECT_EQ(held, stored[i].holdable) << "value " << i;
        if (held) {
            EXPECT_EQ(scan::RemoveRegistryValue(registry, findings[i]), scan::Removal::Removed);
        }
    }
    for (std::size_t i = 0; i < seeds.size(); ++i)
        EXPECT_EQ(scratch.Get("\\K", seeds[i].name).first, stored[i].holdable ? -1 : long(seeds[i].type)) << i;

    // Import with the registry editor, as a restore does.
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string command = "regedit.exe /s \"" + backup.path + "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 60000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    for (const Seed& s : stored) {
        const auto [type, data] = scratch.Get("\\K", s.name);
        EXPECT_EQ(type, long(s.type)) << Utf8(s.name);
        EXPECT_EQ(data, s.data) << Utf8(s.name);
    }
}

// The scan window over the real registry, with fake controls; each scan
// leaves ticked only the rows of values below the scratch key.
struct RealScanWindow {
    explicit RealScanWindow(const std::string& scratchPath, engine::CategorySet ticked = engine::AllCategories())
        : form{{list, status, repairCount, currentKey, timer, start, stop, repair, ret},
               {registry, files, codePage, profile, ui, [] {}},
               std::move(ticked)},
          mine_(scratchPath + "\\") {
        form.Form_Load();
    }
    platform::win32::Win32Registry registry;
    TempAppFiles files;
    platform::win32::Win32CodePage codePage;
    platform::win32::Win32Profile profile;
    fakes::FakeUi ui;
    fakes::FakeListView list;
    fakes::FakeLabel status, repairCount, currentKey;
    fakes::FakeTimer timer;
    fakes::FakeButton start, stop, repair, ret;
    scan::FormRepair form;

    // The rows below the scratch key, as "key path below it = value text".
    std::vector<std::string> Scan() {
        start.Press();
        EXPECT_EQ(currentKey.caption, "Scan finished");
        std::vector<std::string> rows;
        for (int row = 1; row <= list.RowCount(); ++row) {
            const bool isMine = list.Text(row, 1) == "HKEY_CURRENT_USER" && list.Text(row, 2).rfind(mine_, 0) == 0;
            list.SetChecked(row, isMine);
            if (isMine) rows.push_back(list.Text(row, 2).substr(mine_.size()) + " = " + list.Text(row, 3));
        }
        return rows;
    }
    void SetBackup(bool on) {
        profile::WriteProfileValue(profile, files.AppFolder() + profile::kProfileName, profile::kSettings,
                                   "BackupBeforeFix", on ? "1" : "0");
    }
    // The value's bytes, its key reached level by level; empty when it is not there.
    std::vector<std::uint8_t> Data(const std::string& keyPath, const std::string& name) {
        platform::RegHandle key = 0;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        if (scan::OpenKeyAsWalked(registry, platform::kHkeyCurrentUser, keyPath, platform::kKeyQueryValue, &key) != 0)
            return {};
        registry.QueryValue(key, name, &type, &data);
        registry.CloseKey(key);
        return data;
    }

private:
    std::string mine_;
};

// Creates the key at `path` below HKEY_CURRENT_USER level by level (a whole
// path longer than the registry takes would be cut) and sets a string value.
void SetDeepText(const std::string& path, const std::wstring& name, const std::wstring& text) {
    HKEY key = HKEY_CURRENT_USER;
    for (std::size_t from = 0; from <= path.size();) {
        const std::size_t end = std::min(path.find('\\', from), path.size());
        HKEY next;
        ASSERT_EQ(RegCreateKeyExW(key, Wide(path.substr(from, end - from)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &next, nullptr),
                  ERROR_SUCCESS);
        if (key != HKEY_CURRENT_USER) RegCloseKey(key);
        key = next;
        from = end + 1;
    }
    ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// Keys deeper than the registry takes in one path: 127 names of 255
// characters and one more. Cut to 32,766 units, the path of "Cut\\..." names
// its neighbour, a key named by the start of the last name; the path of
// "Alone\\..." names no key. "Near\\..." stays just under the limit.
TEST(DeepKeysOnTheRealRegistry, ARepairNeverLandsOnAnotherKey) {
    ScratchKey scratch;
    const std::string drive = platform::win32::Win32FileSystem().SystemDirectory().substr(0, 2);
    const std::string last = std::string(240, 'n') + std::string(15, 'z');
    auto deep = [&](const std::string& top, int levels) {
        std::string path = scratch.path + "\\" + top;
        for (int level = 0; level < levels; ++level) path += "\\" + std::string(255, char('a' + level % 26));
        return path;
    };
    const std::string cutParent = deep("Cut", 127), cut = cutParent + "\\" + last;
    const std::string neighbour = cutParent + "\\" + last.substr(0, 32766 - cutParent.size() - 1);
    const std::string alone = deep("Alone", 127) + "\\" + last;
    const std::string under = deep("Near", 124) + "\\" + last;
    ASSERT_GT(cut.size(), 32766u);
    ASSERT_GT(neighbour.size(), cutParent.size() + 1);
    ASSERT_LT(under.size(), 32766u - 20);
    const std::wstring gone = Wide(drive + "\\Varnholt Gone\\app.exe");
    const std::wstring here = Wide(platform::win32::Win32FileSystem().SystemDirectory() + "\\kernel32.dll");
    SetDeepText(cut, L"v", gone);
    SetDeepText(neighbour, L"v", here);
    SetDeepText(alone, L"v", gone);
    SetDeepText(under, L"v", gone);
    const std::size_t below = scratch.path.size() + 1;
    const std::string row = "\\v = " + drive + "\\Varnholt Gone\\app.exe";
    const std::vector<std::string> listed{alone.substr(below) + row, cut.substr(below) + row, under.substr(below) + row};

    RealScanWindow window(scratch.path);
    const std::vector<std::uint8_t> underData = window.Data(under, "v"), neighbourData = window.Data(neighbour, "v");
    ASSERT_FALSE(underData.empty());

    // Backup on: the two keys past the limit are listed and kept; the one
    // below it is held by the backup, removed, and given back by importing.
    window.SetBackup(true);
    EXPECT_EQ(window.Scan(), listed);
    window.repair.Press();
    ASSERT_EQ(window.ui.messages.size(), 2u);
    EXPECT_EQ(window.ui.messages[1].text,
              "1 errors has repaired.\r\n2 values were kept because the backup cannot hold them.");
    EXPECT_FALSE(window.Data(cut, "v").empty());
    EXPECT_FALSE(window.Data(alone, "v").empty());
    EXPECT_TRUE(window.Data(under, "v").empty());
    EXPECT_EQ(window.Data(neighbour, "v"), neighbourData);
    const std::string backup = window.ui.messages[0].text.substr(std::string("Backup file:").size());
    app_test::ImportWithTheRegistryEditor(backup);
    EXPECT_EQ(window.Data(under, "v"), underData) << "restored byte for byte";
    EXPECT_EQ(window.Data(neighbour, "v"), neighbourData);

    // Backup off: all three are removed, each from its own key.
    window.SetBackup(false);
    window.ui.messages.clear();
    EXPECT_EQ(window.Scan(), listed);
    window.repair.Press();
    ASSERT_EQ(window.ui.messages.size(), 1u);
    EXPECT_EQ(window.ui.messages[0].text, "3 errors has repaired.");
    EXPECT_TRUE(window.Data(cut, "v").empty());
    EXPECT_TRUE(window.Data(alone, "v").empty());
    EXPECT_TRUE(window.Data(under, "v").empty());
    EXPECT_EQ(window.Data(neighbour, "v"), neighbourData) << "the neighbour is never touched";
}

// A link below the scratch key, to another key of it.
std::unique_ptr<Link> ScratchLink(const ScratchKey& scratch, const std::string& path, const std::string& target) {
    return std::make_unique<Link>(HKEY_CURRENT_USER, scratch.path + "\\" + path,
                                  RegistryName(HKEY_CURRENT_USER, scratch.path + "\\" + target));
}

// Every row of the window's list whose key holds `mark`, as "root\key".
std::vector<std::string> RowsNaming(RealScanWindow& window, const std::string& mark) {
    std::vector<std::string> rows;
    for (int row = 1; row <= window.list.RowCount(); ++row)
        if (window.list.Text(row, 2).find(mark) != std::string::npos)
            rows.push_back(window.list.Text(row, 1) + "\\" + window.list.Text(row, 2));
    return rows;
}

// A link is a key of its own, never a door: walked as a leaf, what it
// leads to listed by its own path alone. Loops end; a key behind many links
// is walked once.
TEST(LinksOnTheRealRegistry, ALinkIsWalkedAsALeaf) {
    ScratchKey scratch;
    const std::string drive = platform::win32::Win32FileSystem().SystemDirectory().substr(0, 2);
    const std::wstring gone = Wide(drive + "\\Varnholt Gone\\");
    scratch.SetText("\\K", L"v", gone + L"k.exe");
    scratch.SetText("\\K\\A", L"a", gone + L"a.exe");
    PlantedValue elsewhere(HKEY_LOCAL_MACHINE, scratch.path, L"b", gone + L"b.exe");
    const auto loop = ScratchLink(scratch, "K\\A\\loop", "K"), loop2 = ScratchLink(scratch, "K\\A\\loop2", "K");
    Link toB(HKEY_CURRENT_USER, scratch.path + "\\K\\A\\toB", RegistryName(HKEY_LOCAL_MACHINE, scratch.path));
    // Opened as itself, a link has no subkeys and one REG_LINK value.
    HKEY link = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Wide(scratch.path + "\\K\\A\\toB").c_str(), REG_OPTION_OPEN_LINK,
                            KEY_READ, &link),
              ERROR_SUCCESS);
    DWORD subkeys = 99, values = 99, type = 0;
    EXPECT_EQ(RegQueryInfoKeyW(link, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 0u);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(RegQueryValueExW(link, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_LINK));
    RegCloseKey(link);
    RealScanWindow window(scratch.path);
    const std::string row = " = " + drive + "\\Varnholt Gone\\";
    EXPECT_EQ(window.Scan(), (std::vector<std::string>{"K\\v" + row + "k.exe", "K\\A\\a" + row + "a.exe"}));
}

// Links from a key anyone may write into places Windows needs: the window
// lists nothing there and its repair removes nothing, with every category
// ticked or only the one the link's path would suggest; the command line
// lists nothing there either.
TEST(LinksOnTheRealRegistry, NothingIsListedOrRemovedFromAProtectedPlace) {
    ScratchKey scratch;
    const std::string drive = platform::win32::Win32FileSystem().SystemDirectory().substr(0, 2);
    const std::wstring gone = Wide(drive + "\\Varnholt Gone\\");
    const std::string control = "System\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
    const std::string winlogon = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
    const std::string driver = "System\\CurrentControlSet\\Services\\VarnholtDrv" + std::to_string(GetCurrentProcessId());
    PlantedValue paging(HKEY_LOCAL_MACHINE, control, L"VarnholtProbe", gone + L"pagefile.sys");
    PlantedValue shell(HKEY_LOCAL_MACHINE, winlogon, L"VarnholtProbe", gone + L"shell.exe");
    PlantedValue image(HKEY_LOCAL_MACHINE, driver, L"ImagePath", gone + L"drv.sys");
    image.SetNumber(L"Type", 1);
    image.SetNumber(L"Start", 3);
    scratch.SetText("", L"own", gone + L"own.exe");
    Link mm(HKEY_CURRENT_USER, scratch.path + "\\mm", RegistryName(HKEY_LOCAL_MACHINE, control));
    Link wl(HKEY_CURRENT_USER, scratch.path + "\\wl", RegistryName(HKEY_LOCAL_MACHINE, winlogon));
    Link drv(HKEY_CURRENT_USER, scratch.path + "\\drv", RegistryName(HKEY_LOCAL_MACHINE, driver));
    for (bool everyBox : {true, false}) {
        RealScanWindow window(scratch.path, everyBox ? engine::AllCategories()
                                                     : engine::CategorySet{engine::Category::SystemSoftwareSettings});
        window.SetBackup(false);
        EXPECT_EQ(window.Scan(), std::vector<std::string>{"own = " + Utf8(gone) + "own.exe"});
        EXPECT_TRUE(RowsNaming(window, "VarnholtProbe").empty());
        EXPECT_TRUE(RowsNaming(window, "VarnholtDrv").empty());
        window.repair.Press();
        scratch.SetText("", L"own", gone + L"own.exe");
    }
    EXPECT_TRUE(paging.Exists());
    EXPECT_TRUE(shell.Exists());
    EXPECT_TRUE(image.Exists());
}

// K0 to K19 each hold two links to the next: 2^20 ways to K20's value; 300
// links lead to a key of 2,000 values. The scan ends, and lists each value
// once in each root's view (HKEY_CURRENT_USER and the user's tree under
// HKEY_USERS), by its own path.
TEST(LinksOnTheRealRegistry, FansOfLinksListEachValueOncePerRoot) {
    ScratchKey scratch;
    const std::string drive = platform::win32::Win32FileSystem().SystemDirectory().substr(0, 2);
    std::string path;
    std::vector<std::string> levels;
    for (int i = 0; i <= 20; ++i) levels.push_back(path += "\\K" + std::to_string(i));
    scratch.SetText(levels.back(), L"v", Wide(drive + "\\Varnholt Gone\\dag.exe"));
    std::vector<std::unique_ptr<Link>> links;
    for (int i = 0; i < 20; ++i)
        for (const char* name : {"\\a", "\\b"})
            links.push_back(ScratchLink(scratch, levels[i].substr(1) + name, levels[i + 1].substr(1)));
    {
        HKEY many = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Wide(scratch.path + "\\Many").c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &many, nullptr),
                  ERROR_SUCCESS);
        const std::wstring text = Wide(drive + "\\Varnholt Gone\\many.exe");
        for (int i = 0; i < 2000; ++i)
            RegSetValueExW(many, (L"v" + std::to_wstring(i)).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(many);
    }
    for (int i = 0; i < 300; ++i) links.push_back(ScratchLink(scratch, "L" + std::to_string(i), "Many"));
    RealScanWindow window(scratch.path);
    window.Scan();
    const std::vector<std::string> rows = RowsNaming(window, scratch.path + "\\K");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].rfind("HKEY_CURRENT_USER\\", 0), 0u);
    EXPECT_EQ(rows[1].rfind("HKEY_USERS\\", 0), 0u);
    EXPECT_EQ(RowsNaming(window, scratch.path + "\\Many\\").size(), 4000u);
    EXPECT_EQ(RowsNaming(window, scratch.path + "\\L").size(), 0u);
}

// Wine's own link from the 32-bit view of App Paths to App Paths: a value
// there is listed once, by its own path, kept by "Ignore this value" and
// never removed.
TEST(LinksOnTheRealRegistry, AnIgnoredValueIsKeptInEveryView) {
    const std::string drive = platform::win32::Win32FileSystem().SystemDirectory().substr(0, 2);
    const std::string mark = "VarnholtProbe" + std::to_string(GetCurrentProcessId());
    const std::string appPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + mark + ".exe";
    PlantedValue probe(HKEY_LOCAL_MACHINE, appPaths, L"", Wide(drive + "\\Varnholt Gone\\" + mark + ".exe"));
    const std::string wow = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths";
    ASSERT_EQ(RegistryName(HKEY_LOCAL_MACHINE, wow), RegistryName(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths"))
        << "the prefix links the two views";
    RealScanWindow window(mark);
    window.Scan();
    ASSERT_EQ(RowsNaming(window, mark).size(), 1u) << "listed by its own path; the link is a key of its own";
    for (int row = 1; row <= window.list.RowCount(); ++row)
        if (window.list.Text(row, 2).find(mark) != std::string::npos) {
            window.list.OpenMenu(row, 1);
            break;
        }
    EXPECT_TRUE(RowsNaming(window, mark).empty()) << "every row of the value goes";
    window.Scan();
    EXPECT_TRUE(RowsNaming(window, mark).empty()) << "and stays away";
    for (int row = 1; row <= window.list.RowCount(); ++row) window.list.SetChecked(row, false);
    window.repair.Press();
    EXPECT_TRUE(probe.Exists());
    window.files.RemoveFile(window.files.AppFolder() + "\\ignore.txt");
}

// An entry written by another program between the scan and the repair keeps
// its value.
TEST(LinksOnTheRealRegistry, AnEntryWrittenByAnotherProgramBeforeTheRepairKeepsItsValue) {
    ScratchKey scratch;
    const std::string drive = platform::win32::Win32FileSystem().SystemDirectory().substr(0, 2);
    scratch.SetText("", L"kept", Wide(drive + "\\Varnholt Gone\\kept.exe"));
    scratch.SetText("", L"gone", Wide(drive + "\\Varnholt Gone\\gone.exe"));
    RealScanWindow window(scratch.path);
    window.SetBackup(false);
    ASSERT_EQ(window.Scan().size(), 2u);
    const std::string list = window.files.AppFolder() + "\\ignore.txt", written = window.files.AppFolder() + "\\other.txt";
    auto file = window.files.CreateNewFile(written);
    ASSERT_TRUE(file);
    file->Write("value\tHKEY_CURRENT_USER\t" + scratch.path + "\tkept\r\n");
    file->Close();
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"cmd.exe /c copy /y \"" + Wide(written) + L"\" \"" + Wide(list) + L"\"";
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 60000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    window.repair.Press();
    EXPECT_EQ(window.ui.messages.back().text, "1 errors has repaired.\r\n1 values were kept because the ignore list now covers them.");
    EXPECT_EQ(scratch.Get("", L"kept").first, REG_SZ);
    EXPECT_EQ(scratch.Get("", L"gone").first, -1);
    window.files.RemoveFile(list);
    window.files.RemoveFile(written);
}

// Between the scan and the repair: a listed key replaced by a link into a
// place Windows needs that holds a value of the same name and text, a link
// retargeted there, a value changed to name a file that is there. The
// repair, with the backup and without, takes only what it listed, as it was.
TEST(LinksOnTheRealRegistry, TheRepairTakesOnlyTheValueAsListedWhereItWasListed) {
    ScratchKey scratch;
    const std::string drive = platform::win32::Win32FileSystem().SystemDirectory().substr(0, 2);
    const std::wstring gone = Wide(drive + "\\Varnholt Gone\\v.exe");
    const std::string control = "System\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
    const std::wstring probe = Wide("VarnholtProbe" + std::to_string(GetCurrentProcessId()));
    PlantedValue protectedValue(HKEY_LOCAL_MACHINE, control, probe, gone);
    const std::string there = platform::win32::Win32FileSystem().SystemDirectory() + "\\notepad.exe";
    for (const bool backup : {true, false}) {
        scratch.SetText("\\T", probe, gone);         // listed, then replaced by a link
        scratch.SetText("\\Target", probe, gone);    // listed; a link to it retargeted
        scratch.SetText("\\Changed", probe, gone);   // listed, then changed
        const auto retargeted = ScratchLink(scratch, "lnk", "Target");
        RealScanWindow window(scratch.path);
        window.SetBackup(backup);
        const std::string row = " = " + Utf8(gone);
        const std::string name = Utf8(probe);
        EXPECT_EQ(window.Scan(), (std::vector<std::string>{"Changed\\" + name + row, "T\\" + name + row,
                                                           "Target\\" + name + row}))
            << "nothing through the link";
        ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, Wide(scratch.path + "\\T").c_str()), ERROR_SUCCESS);
        Link replaced(HKEY_CURRENT_USER, scratch.path + "\\T", RegistryName(HKEY_LOCAL_MACHINE, control));
        HKEY lnk = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Wide(scratch.path + "\\lnk").c_str(), REG_OPTION_OPEN_LINK,
                                KEY_ALL_ACCESS, &lnk),
                  ERROR_SUCCESS);
        const std::wstring mm = Wide(RegistryName(HKEY_LOCAL_MACHINE, control));
        EXPECT_EQ(RegSetValueExW(lnk, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(mm.c_str()),
                                 static_cast<DWORD>(mm.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        RegCloseKey(lnk);
        scratch.SetText("\\Changed", probe, Wide(there));
        window.repair.Press();
        EXPECT_EQ(window.ui.messages.back().text,
                  "1 errors has repaired.\r\n2 values were kept because they changed since the scan.")
            << (backup ? "backup" : "no backup");
        EXPECT_TRUE(protectedValue.Exists()) << (backup ? "backup" : "no backup");
        EXPECT_EQ(scratch.Get("\\Changed", probe).first, REG_SZ);
        EXPECT_EQ(scratch.Get("\\Target", probe).first, -1) << "the listed value, by its own path";
    }
}

}  // namespace
