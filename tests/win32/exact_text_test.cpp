// Names and paths outside the system code page, on the real registry and
// file system: what is listed is what exists or is missing, and what the
// repair removes is the value listed, by its exact name.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/FakeUi.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/WideText.h"
#include "scan/FormRepair.h"
#include "win32/app_test_support.h"
#include "win32/ui_test_window.h"

namespace {

using platform::win32::Utf8;
using platform::win32::Wide;

// A scratch key under HKCU\Software, removed with its tree.
struct ScratchKey {
    std::string path;
    explicit ScratchKey(const std::string& name)
        : path("Software\\Varnholt" + name + std::to_string(::GetCurrentProcessId())) {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path).c_str());
    }
    ~ScratchKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path).c_str()); }
    void SetText(const std::string& sub, const std::string& name, const std::string& text) const {
        HKEY key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(Under(sub)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS)
            << sub.size();
        const std::wstring data = Wide(text);
        ::RegSetValueExW(key, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
    bool Has(const std::string& sub, const std::string& name) const {
        return ::RegGetValueW(HKEY_CURRENT_USER, Wide(Under(sub)).c_str(), Wide(name).c_str(), RRF_RT_ANY, nullptr,
                              nullptr, nullptr) == ERROR_SUCCESS;
    }
    std::string Under(const std::string& sub) const { return sub.empty() ? path : path + "\\" + sub; }
};

// A file made for the test, removed with its folders afterwards.
struct TempFile {
    std::string path;
    std::vector<std::string> folders;
    explicit TempFile(const std::vector<std::string>& parts) {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        std::string at = Utf8(temp);
        at.pop_back();
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            at += "\\" + parts[i];
            ::CreateDirectoryW(Wide(at).c_str(), nullptr);
            folders.push_back(at);
        }
        path = at + "\\" + parts.back();
        ::CloseHandle(::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    ~TempFile() {
        ::DeleteFileW(Wide(path).c_str());
        for (auto it = folders.rbegin(); it != folders.rend(); ++it) ::RemoveDirectoryW(Wide(*it).c_str());
    }
};

// The scan window's logic over the real registry, files and code page, with
// its controls and message boxes recorded.
struct ScanRig {
    platform::win32::Win32Registry registry;
    app_test::AppFolderFiles files{false};
    platform::win32::Win32CodePage codePage;
    platform::win32::Win32Profile profile;
    fakes::FakeUi ui;
    fakes::FakeListView list;
    fakes::FakeLabel status, repairCount, currentKey;
    fakes::FakeTimer timer;
    fakes::FakeButton start, stop, repair, ret;
    scan::FormRepair form{{list, status, repairCount, currentKey, timer, start, stop, repair, ret},
                          {registry, files, codePage, profile, ui, [] {}}};
    ScanRig() { form.Form_Load(); }

    void SetBackup(bool on) {
        profile.WriteString("Settings", "BackupBeforeFix", on ? "1" : "0", files.Profile());
    }
    // A whole scan; then only the rows under `prefix` stay ticked. Gives
    // their key texts.
    std::vector<std::string> ScanAndTick(const std::string& prefix) {
        start.Press();
        EXPECT_EQ(currentKey.caption, "Scan finished");
        std::vector<std::string> mine;
        for (int row = 1; row <= list.RowCount(); ++row) {
            const bool ours = list.Text(row, 2).rfind(prefix, 0) == 0;
            list.SetChecked(row, ours);
            if (ours) mine.push_back(list.Text(row, 2).substr(prefix.size()));
        }
        std::sort(mine.begin(), mine.end());
        return mine;
    }
    std::string Repair() {
        ui.messages.clear();
        repair.Press();
        return ui.messages.empty() ? "" : ui.messages.back().text;
    }
};

void Import(const std::string& backup) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"regedit.exe /s \"" + Wide(backup) + L"\"";
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ::WaitForSingleObject(pi.hProcess, 60000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}

const std::string kMacron = "n\xC4\x80me";  // U+0100, which a best fit would make "nAme"
const std::string kHan = "n\xE4\xB8\xAD";    // U+4E2D, which the code page lacks

TEST(ExactText, NamesAndPathsOutsideTheCodePageAreListedAndRemovedAsThemselves) {
    std::string narrow;
    if (platform::win32::Win32CodePage().Encode(kHan, &narrow)) GTEST_SKIP() << "the code page holds every name here";
    ScratchKey scratch("Exact");
    platform::win32::Win32FileSystem realFiles;
    const std::string drive = realFiles.SystemDirectory().substr(0, 2);
    const TempFile lukasz({"\xC5\x81ukasz", "app.exe"});
    scratch.SetText("", kMacron, drive + "\\Varnholt Gone\\a.exe");
    scratch.SetText("", "nAme", realFiles.SystemDirectory() + "\\kernel32.dll");
    scratch.SetText("", kHan, drive + "\\Varnholt Gone\\b.exe");
    scratch.SetText("", "lukasz", lukasz.path);
    std::string deep;
    for (int level = 0; level < 40; ++level) deep += (deep.empty() ? "" : "\\") + std::string(250, char('a' + level % 26));
    scratch.SetText(deep, "deep", drive + "\\Varnholt Gone\\c.dll");
    const std::vector<std::string> listed = {"\\" + kMacron, "\\" + kHan, "\\" + deep + "\\deep"};

    // With the backup on, the names the code page cannot hold are held by
    // the Unicode backup, and removed too.
    ScanRig rig;
    rig.SetBackup(true);
    std::vector<std::string> expected = listed;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rig.ScanAndTick(scratch.path), expected) << "the existing file under \xC5\x81ukasz is not listed";
    EXPECT_EQ(rig.Repair(), "3 errors has repaired.");
    EXPECT_FALSE(scratch.Has("", kMacron));
    EXPECT_FALSE(scratch.Has("", kHan));
    EXPECT_TRUE(scratch.Has("", "nAme"));
    EXPECT_FALSE(scratch.Has(deep, "deep"));
    const std::string backup = rig.ui.messages.at(0).text.substr(std::string("Backup file:").size());
    Import(backup);
    EXPECT_TRUE(scratch.Has(deep, "deep")) << "every value comes back from its backup";
    EXPECT_TRUE(scratch.Has("", kMacron));
    EXPECT_TRUE(scratch.Has("", kHan));

    // With the backup off, each listed value is removed, and only it.
    rig.SetBackup(false);
    EXPECT_EQ(rig.ScanAndTick(scratch.path), expected);
    EXPECT_EQ(rig.Repair(), "3 errors has repaired.");
    EXPECT_FALSE(scratch.Has("", kMacron));
    EXPECT_FALSE(scratch.Has("", kHan));
    EXPECT_FALSE(scratch.Has(deep, "deep"));
    EXPECT_TRUE(scratch.Has("", "nAme")) << "the look-alike is never touched";
    EXPECT_TRUE(scratch.Has("", "lukasz"));
}

// Runs in its own process under the Japanese code page (see the test list).
TEST(CodePage932, DoubleByteCharactersAreNeverCutOrUpperCasedInside) {
    if (::GetACP() != 932) GTEST_SKIP() << "needs the Japanese code page";
    ScratchKey scratch("Cp932");
    platform::win32::Win32FileSystem realFiles;
    const std::string drive = realFiles.SystemDirectory().substr(0, 2);
    const std::string di = "\xE3\x83\x82", po = "\xE3\x83\x9D", i = "\xE3\x82\xA4";  // U+30C2, U+30DD, U+30A4
    const TempFile existing({"vh932", di + ".dll"});
    const TempFile beside({"vh932", po, "kept.txt"});  // the folder exists, the dll in it does not
    scratch.SetText("", "existing", existing.path);
    scratch.SetText("", "missing", beside.folders.back() + "\\gone.dll");
    scratch.SetText("", "not a drive", i + ":\\gone.dll");

    ScanRig rig;
    rig.SetBackup(true);
    EXPECT_EQ(rig.ScanAndTick(scratch.path), std::vector<std::string>{"\\missing"});
    EXPECT_EQ(rig.Repair(), "1 errors has repaired.");
    EXPECT_FALSE(scratch.Has("", "missing"));
    EXPECT_TRUE(scratch.Has("", "existing"));
    Import(rig.ui.messages.at(0).text.substr(std::string("Backup file:").size()));
    EXPECT_TRUE(scratch.Has("", "missing")) << "the backup holds it in the code page";
}

}  // namespace
