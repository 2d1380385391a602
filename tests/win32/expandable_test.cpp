// Expandable strings on the real registry and files: the system's and the
// user's variables as the system gives them, which values the scan lists
// with and without the setting, and their backup given back byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include "fakes/FakeUi.h"
#include "platform/win32/Win32Environment.h"
#include "profile/ModuleNormal.h"
#include "scan/FormRepair.h"
#include "scan/FormRestoreAndBackup.h"
#include "win32/app_test_support.h"

namespace {

using app_test::Utf8;
using app_test::Wide;

// What this process's own environment makes of a text: the user's, as the
// system started the test.
std::string ExpandedHere(const std::wstring& text) {
    wchar_t expanded[4096] = {};
    ::ExpandEnvironmentStringsW(text.c_str(), expanded, 4096);
    return Utf8(expanded);
}

TEST(EnvironmentOnTheRealSystem, TheSystemsVariablesAreNoUsersAndTheUsersAreTheirOwn) {
    platform::win32::Win32Environment environment;
    const platform::Variables system = environment.SystemVariables();
    wchar_t windows[MAX_PATH] = {};
    ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(system.at("SystemRoot"), Utf8(windows));
    EXPECT_EQ(system.at("WINDIR"), Utf8(windows)) << "names without case";
    EXPECT_EQ(system.at("SystemDrive"), Utf8(windows).substr(0, 2));
    // A 64-bit program's folders.
    EXPECT_EQ(system.at("ProgramFiles"), ExpandedHere(L"%ProgramFiles%"));
    EXPECT_EQ(system.at("CommonProgramFiles"), ExpandedHere(L"%CommonProgramFiles%"));
    EXPECT_EQ(system.at("ProgramFiles(x86)"), ExpandedHere(L"%ProgramFiles(x86)%"));
    EXPECT_EQ(system.at("ProgramData"), ExpandedHere(L"%ProgramData%"));
    for (const char* users : {"USERPROFILE", "USERNAME", "APPDATA", "LOCALAPPDATA"})
        EXPECT_EQ(system.count(users), 0u) << users << " is an account's";

    const platform::Variables user = environment.UserVariables();
    EXPECT_EQ(user.at("USERPROFILE"), ExpandedHere(L"%USERPROFILE%"));
    EXPECT_EQ(user.at("SystemRoot"), Utf8(windows));
    EXPECT_EQ(user.at("ProgramFiles"), system.at("ProgramFiles"));
}

// Values under a scratch key of the current user and one of the default
// account, both deleted with their trees.
class ExpandableOnTheRealRegistry : public ::testing::Test {
protected:
    const std::wstring path = L"Software\\VarnholtExpand" + std::to_wstring(::GetCurrentProcessId());
    void SetUp() override { TearDown(); }
    void TearDown() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
        ::RegDeleteTreeW(HKEY_USERS, (L".DEFAULT\\" + path).c_str());
    }
    void Set(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& text) {
        HKEY open;
        ASSERT_EQ(::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &open, nullptr), ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(open, name.c_str(), 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        ::RegCloseKey(open);
    }
    // Type and bytes as stored; type -1 when the value is missing.
    std::pair<long, std::vector<BYTE>> Get(const std::wstring& name) {
        DWORD type = 0, size = 8192;
        std::vector<BYTE> data(size);
        const LONG result = ::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                                           &type, data.data(), &size);
        data.resize(result == ERROR_SUCCESS ? size : 0);
        return {result == ERROR_SUCCESS ? static_cast<long>(type) : -1, data};
    }
    void Seed() {
        Set(HKEY_CURRENT_USER, path, L"gone", L"%ProgramFiles%\\VhGone\\gone.exe");
        Set(HKEY_CURRENT_USER, path, L"there", L"%SystemRoot%\\system32\\notepad.exe");
        Set(HKEY_CURRENT_USER, path, L"unknown", L"%VhNoSuchVariable%\\x.exe");
        Set(HKEY_CURRENT_USER, path, L"user", L"%USERPROFILE%\\gone.dll");
        Set(HKEY_USERS, L".DEFAULT\\" + path, L"user", L"%USERPROFILE%\\gone.dll");
    }
    // The rows of the scratch keys, as "root\key | value column | missing file".
    std::vector<std::string> Mine(const std::vector<engine::Finding>& findings) {
        std::vector<std::string> rows;
        for (const engine::Finding& f : findings)
            if (f.keyPath.find(Utf8(path)) != std::string::npos)
                rows.push_back(f.rootName + "\\" + f.keyText + " | " + f.valueText + " | " + f.missingFile);
        return rows;
    }
    // Each in both views of the user's tree; the default account's value
    // names a variable of no account known here.
    std::vector<std::string> Expected() {
        std::vector<std::string> rows;
        for (const std::string& view :
             {std::string("HKEY_CURRENT_USER\\"), "HKEY_USERS\\" + platform::win32::Win32Registry().CurrentUserSid() + "\\"}) {
            const std::string key = view + Utf8(path);
            rows.push_back(key + "\\gone | %ProgramFiles%\\VhGone\\gone.exe | " + ExpandedHere(L"%ProgramFiles%\\VhGone\\gone.exe"));
            rows.push_back(key + "\\user | %USERPROFILE%\\gone.dll | " + ExpandedHere(L"%USERPROFILE%\\gone.dll"));
        }
        return rows;
    }
};

TEST_F(ExpandableOnTheRealRegistry, TheScanWindowListsThemOnlyWithTheSettingAndTheBackupGivesThemBack) {
    Seed();
    platform::win32::Win32Registry registry;
    app_test::AppFolderFiles files(false);
    platform::win32::Win32CodePage codePage;
    platform::win32::Win32Profile profile;
    platform::win32::Win32Environment environment;
    fakes::FakeUi ui;
    fakes::FakeListView list;
    fakes::FakeLabel status, repairCount, currentKey;
    fakes::FakeTimer timer;
    fakes::FakeButton start, stop, repair, ret;
    scan::FormRepair form({list, status, repairCount, currentKey, timer, start, stop, repair, ret},
                          {registry, files, codePage, profile, ui, [] {}, {}, nullptr, {}, &environment});
    form.Form_Load();
    const std::string ini = files.AppFolder() + profile::kProfileName;

    start.Press();
    EXPECT_EQ(Mine(form.Findings()), std::vector<std::string>{}) << "off unless the profile says so";

    profile::WriteProfileValue(profile, ini, profile::kSettings, "CheckExpandable", "1");
    start.Press();
    ASSERT_EQ(Mine(form.Findings()), Expected());

    // Repaired with its backup, then given back by the registry editor.
    const std::pair<long, std::vector<BYTE>> stored[] = {Get(L"gone"), Get(L"user")};
    for (int row = 1; row <= list.RowCount(); ++row)
        list.SetChecked(row, form.Findings()[row - 1].keyPath == Utf8(path));
    repair.Press();
    EXPECT_EQ(Get(L"gone").first, -1);
    EXPECT_EQ(Get(L"user").first, -1);
    EXPECT_EQ(Get(L"there").first, REG_EXPAND_SZ);
    const std::vector<std::string> backups = scan::ListBackupFiles(files);
    ASSERT_EQ(backups.size(), 1u);
    app_test::ImportWithTheRegistryEditor(scan::BackupFolder(files) + "\\" + backups[0]);
    EXPECT_EQ(Get(L"gone"), stored[0]);
    EXPECT_EQ(Get(L"user"), stored[1]);

    profile::WriteProfileValue(profile, ini, profile::kSettings, "CheckExpandable", "0");
    start.Press();
    EXPECT_EQ(Mine(form.Findings()), std::vector<std::string>{});
}

}  // namespace
