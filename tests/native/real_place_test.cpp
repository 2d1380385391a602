// A value is judged where it really is, whatever root's view the walk came
// through: the registry's names in root form, the protected places and
// categories of the real place, links walked as keys of their own, ignore
// entries that cover every view of a value, and a repair that takes a value
// only where the scan found it and as it was.
#include <gtest/gtest.h>

#include "ScanFixture.h"
#include "engine/IgnoreList.h"
#include "engine/RootKeys.h"

namespace {

using engine::KeyPlace;
using platform::kHkeyLocalMachine;
using platform::kHkeyUsers;

TEST(RootForm, TheRegistrysNamesOfKeysReadAsTheirRoots) {
    const struct {
        const char* name;
        std::optional<KeyPlace> place;
    } cases[] = {
        {"\\REGISTRY\\MACHINE\\SOFTWARE\\Classes\\CLSID", KeyPlace{kHkeyLocalMachine, "SOFTWARE\\Classes\\CLSID"}},
        {"\\REGISTRY\\MACHINE", KeyPlace{kHkeyLocalMachine, ""}},
        {"\\REGISTRY\\MACHINE\\SYSTEM\\ControlSet001\\Control",
         KeyPlace{kHkeyLocalMachine, "SYSTEM\\ControlSet001\\Control"}},
        {"\\REGISTRY\\MACHINE\\SYSTEM\\ControlSet001\\Hardware Profiles\\0001\\Software",
         KeyPlace{kHkeyLocalMachine, "SYSTEM\\ControlSet001\\Hardware Profiles\\0001\\Software"}},
        {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001\\Software", KeyPlace{kHkeyUsers, "S-1-5-21-1-2-3-1001\\Software"}},
        {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes\\CLSID", KeyPlace{kHkeyUsers, "S-1-5-21-1-2-3-1001_Classes\\CLSID"}},
        {"\\Registry\\Machine\\Software", KeyPlace{kHkeyLocalMachine, "Software"}},  // as Wine names them
        {"\\registry\\user\\.DEFAULT", KeyPlace{kHkeyUsers, ".DEFAULT"}},
        {"\\REGISTRY\\MACHINEX\\Software", std::nullopt},
        {"\\REGISTRY\\USERS\\x", std::nullopt},
        {"\\REGISTRY\\MACHINE\\", std::nullopt},
        {"\\REGISTRY\\A", std::nullopt},
        {"HKEY_CURRENT_USER\\Software", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(engine::RootFormOf(c.name), c.place) << c.name;
}

class LinkedScan : public ScanFixture {
protected:
    static constexpr platform::RegHandle kHklm = platform::kHkeyLocalMachine;
    void SetDword(const std::string& path, const char* name, std::uint8_t n) {
        reg.SetValue(kHklm, path, name, platform::kRegDword, {n, 0, 0, 0});
    }
    std::vector<std::string> Keys() {
        std::vector<std::string> keys;
        for (int row = 1; row <= list.RowCount(); ++row) keys.push_back(Row(row)[1] + "\\" + Row(row)[2]);
        return keys;
    }
};

// Links from a place anyone may write into places Windows needs: nothing
// there is listed or removed, whatever the path and the boxes.
TEST_F(LinkedScan, ALinkCarriesNothingOutOfAProtectedPlace) {
    const std::string control = "System\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
    const std::string winlogon = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
    const std::string driver = "System\\ControlSet001\\Services\\vhdrv";
    reg.SetString(kHklm, control, "PagingFiles", "C:\\gone\\pagefile.sys");
    reg.SetString(kHklm, winlogon, "Shell", "C:\\gone\\shell.exe");
    reg.SetString(kHklm, driver, "ImagePath", "C:\\gone\\vhdrv.sys");
    SetDword(driver, "Type", 1);
    reg.AddLink(kHkcu, "Software\\VhLinkTest\\mm", kHklm, control);
    reg.AddLink(kHkcu, "Software\\VhLinkTest\\wl", kHklm, winlogon);
    reg.AddLink(kHklm, "Software\\VhLinkTest\\drv", kHklm, driver);
    for (const engine::CategorySet& ticked : {engine::AllCategories(), engine::CategorySet{engine::Category::SystemSoftwareSettings}}) {
        reg.SetString(kHkcu, "Software\\VhLinkTest", "own", "C:\\gone\\own.exe");  // listed and removed, as before
        OpenWindow(ticked);
        start.Press();
        EXPECT_EQ(Keys(), std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\VhLinkTest\\own"});
        repair.Press();
    }
    EXPECT_TRUE(reg.ValueExists(kHklm, control, "PagingFiles"));
    EXPECT_TRUE(reg.ValueExists(kHklm, winlogon, "Shell"));
    EXPECT_TRUE(reg.ValueExists(kHklm, driver, "ImagePath"));
}

// A link is a key of its own: what it leads to is listed by its own path
// alone, in its own category, however many links lead there.
TEST_F(LinkedScan, WhatALinkLeadsToIsListedByItsOwnPathAlone) {
    const std::string service = "System\\ControlSet001\\Services\\vhsvc";
    reg.SetString(kHklm, service, "ImagePath", "C:\\gone\\vhsvc.exe");
    SetDword(service, "Type", 16);
    SetDword(service, "Start", 3);
    reg.AddLink(kHkcu, "Software\\VhLinkTest\\svc", kHklm, service);
    for (int i = 0; i < 20; ++i) reg.AddLink(kHklm, "Software\\VhFan\\" + std::to_string(i), kHklm, service);
    OpenWindow({engine::Category::SystemSoftwareSettings});
    start.Press();
    EXPECT_EQ(list.RowCount(), 0) << "not a setting of the software, for all the links say";
    OpenWindow({engine::Category::SystemServices});
    start.Press();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\" + service + "\\ImagePath"}));
    EXPECT_EQ(Row(1)[5], "System services");
}

// One value seen through two roots (HKEY_CURRENT_USER is the user's tree
// under HKEY_USERS): an entry made from either row keeps it in both, now
// and in every later scan, and names its real place.
TEST_F(LinkedScan, IgnoringOneViewOfAValueIgnoresEvery) {
    reg.ShowRootAs(kHkcu, platform::kHkeyUsers, reg.userSid);
    reg.SetString(kHkcu, "Software\\Vendor\\App Paths", "x", "C:\\gone\\x.exe");
    reg.SetString(kHkcu, "Software\\Vendor\\App Paths", "y", "C:\\gone\\y.exe");
    start.Press();
    ASSERT_EQ(list.RowCount(), 4);
    list.OpenMenu(3, 1);  // x under HKEY_USERS
    EXPECT_EQ(Keys(), (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Vendor\\App Paths\\y",
                                                "HKEY_USERS\\" + reg.userSid + "\\Software\\Vendor\\App Paths\\y"}));
    EXPECT_EQ(files.Contents(files.appFolder + engine::kIgnoreListName),
              "value\tHKEY_CURRENT_USER\tSoftware\\Vendor\\App Paths\tx\r\n");
    start.Press();
    EXPECT_EQ(list.RowCount(), 2);
    repair.Press();
    EXPECT_TRUE(reg.ValueExists(kHkcu, "Software\\Vendor\\App Paths", "x"));
    EXPECT_FALSE(reg.ValueExists(kHkcu, "Software\\Vendor\\App Paths", "y"));
}

// An entry written by another program between the scan and the repair (a
// second window, the command line) keeps its value all the same.
TEST_F(LinkedScan, TheRepairReadsTheIgnoreListAgain) {
    reg.SetString(kHkcu, "Software\\A", "x", "C:\\gone\\x.exe");
    reg.SetString(kHkcu, "Software\\A", "y", "C:\\gone\\y.exe");
    SetBackup("0");
    start.Press();
    ASSERT_EQ(list.RowCount(), 2);
    files.AddFile(files.appFolder + engine::kIgnoreListName, "value\tHKEY_CURRENT_USER\tSoftware\\A\tx\r\n");
    repair.Press();
    EXPECT_TRUE(reg.ValueExists(kHkcu, "Software\\A", "x"));
    EXPECT_FALSE(reg.ValueExists(kHkcu, "Software\\A", "y"));
    EXPECT_EQ(Messages().back(), "1 errors has repaired.\r\n1 values were kept because the ignore list now covers them.");
    EXPECT_EQ(Record("FixedCount"), "1");
    EXPECT_EQ(Row(1)[0], "VALUE VALUE") << "not marked repaired";
    EXPECT_EQ(Row(2)[0], "Repaired");
}

// Between the scan and the repair the registry may change under the listed
// value, by accident or by someone who wants the repair, which may run
// elevated, to remove something else. The repair takes a value only where
// the scan found it and as it was, with the backup and without.
TEST_F(LinkedScan, TheRepairTakesOnlyTheValueAsListedWhereItWasListed) {
    const std::string key = "Software\\VhScratch\\K";
    const std::string memory = "System\\ControlSet001\\Control\\Session Manager\\Memory Management";
    const std::string service = "System\\ControlSet001\\Services\\vhsvc";
    const std::string gone = "C:\\gone\\v.exe";
    const std::string changed = "0 errors has repaired.\r\n1 values were kept because they changed since the scan.";
    const std::string repaired = "1 errors has repaired.";
    struct Value {
        platform::RegHandle root;
        std::string path, name;
    };
    struct Case {
        const char* what;
        std::function<void(fakes::MemoryRegistry&)> seed, meanwhile;
        std::string message;
        std::vector<Value> stay;  // afterwards
    };
    const Case cases[] = {
        {"unchanged", [&](auto& r) { r.SetString(kHklm, key, "V", gone); }, [](auto&) {}, repaired, {}},
        {"its data changed to a file that is there", [&](auto& r) { r.SetString(kHklm, key, "V", gone); },
         [&](auto& r) { r.SetString(kHklm, key, "V", "C:\\Windows\\notepad.exe"); }, changed, {{kHklm, key, "V"}}},
        {"its type changed", [&](auto& r) { r.SetString(kHklm, key, "V", gone); },
         [&](auto& r) { r.SetValue(kHklm, key, "V", platform::kRegExpandSz, fakes::StringData(gone)); }, changed,
         {{kHklm, key, "V"}}},
        {"gone", [&](auto& r) { r.SetString(kHklm, key, "V", gone); }, [&](auto& r) { r.RemoveKey(kHklm, key); },
         repaired, {}},
        {"its key replaced by a link into a protected place",
         [&](auto& r) {
             r.SetString(kHklm, key, "V", gone);
             r.SetString(kHklm, memory, "V", gone);
         },
         [&](auto& r) {
             r.RemoveKey(kHklm, key);
             r.AddLink(kHklm, key, kHklm, memory);
         },
         changed, {{kHklm, memory, "V"}}},
        {"a key above it replaced by a link",
         [&](auto& r) {
             r.SetString(kHklm, key, "V", gone);
             r.SetString(kHklm, memory + "\\K", "V", gone);
         },
         [&](auto& r) {
             r.RemoveKey(kHklm, "Software\\VhScratch");
             r.AddLink(kHklm, "Software\\VhScratch", kHklm, memory);
         },
         repaired, {{kHklm, memory + "\\K", "V"}}},
        {"moved: the root shows another tree",
         [&](auto& r) {
             r.ShowRootAs(kHkcu, platform::kHkeyUsers, r.userSid);
             r.SetString(kHkcu, key, "V", gone);
             r.SetString(platform::kHkeyUsers, "S-1-5-18\\" + key, "V", gone);
         },
         [&](auto& r) { r.ShowRootAs(kHkcu, platform::kHkeyUsers, "S-1-5-18"); }, changed,
         {{platform::kHkeyUsers, "S-1-5-18\\" + key, "V"}}},
        {"a service that became a driver",
         [&](auto& r) {
             r.SetString(kHklm, service, "ImagePath", gone);
             r.SetValue(kHklm, service, "Type", platform::kRegDword, {16, 0, 0, 0});
         },
         [&](auto& r) { r.SetValue(kHklm, service, "Type", platform::kRegDword, {1, 0, 0, 0}); }, changed,
         {{kHklm, service, "ImagePath"}}},
    };
    for (const bool backup : {true, false}) {
        for (const Case& c : cases) {
            const std::string what = std::string(c.what) + (backup ? ", backup" : ", no backup");
            reg = fakes::MemoryRegistry();
            files = AskedFileSystem();
            files.AddFile("C:\\Windows\\notepad.exe");
            SetBackup(backup ? "1" : "0");
            OpenWindow({engine::Category::SystemSoftwareSettings, engine::Category::SystemServices});
            c.seed(reg);
            ui.messages.clear();
            start.Press();
            ASSERT_GE(list.RowCount(), 1) << what;
            for (int row = 2; row <= list.RowCount(); ++row) list.SetChecked(row, false);  // the first row only
            c.meanwhile(reg);
            repair.Press();
            EXPECT_EQ(Messages().back(), c.message) << what;
            EXPECT_EQ(Row(1)[0], c.message == repaired ? "Repaired" : "VALUE VALUE") << what;
            for (const Value& v : c.stay) EXPECT_TRUE(reg.ValueExists(v.root, v.path, v.name)) << what << ": " << v.path;
            if (c.what == std::string("unchanged")) EXPECT_FALSE(reg.ValueExists(kHklm, key, "V")) << what;
            if (backup && c.message == changed) {
                const auto backups = files.FilesIn(files.appFolder + "\\RegBackups");
                ASSERT_EQ(backups.size(), 1u) << what;
                EXPECT_EQ(files.Contents(files.appFolder + "\\RegBackups\\" + backups[0]), "REGEDIT4\r\n")
                    << what << ": nothing but the listed value is backed up";
            }
            EXPECT_EQ(reg.OpenHandles(), 0) << what;
        }
    }
}

// The "Backup file:" box waits for the user: what changes meanwhile is
// checked again before the removal, through the key the backup read.
TEST_F(LinkedScan, TheRemovalChecksAgainAfterTheBackup) {
    const std::string memory = "System\\ControlSet001\\Control\\Session Manager\\Memory Management";
    reg.SetString(kHklm, "Software\\VhScratch\\A", "V", "C:\\gone\\a.exe");
    reg.SetString(kHklm, "Software\\VhScratch\\B", "V", "C:\\gone\\b.exe");
    reg.SetString(kHklm, memory, "V", "C:\\gone\\b.exe");
    files.AddFile("C:\\Windows\\notepad.exe");
    start.Press();
    ASSERT_EQ(list.RowCount(), 2);
    ui.onMessage = [&](const std::string& text) {
        if (text.rfind("Backup file:", 0) != 0) return;
        reg.SetString(kHklm, "Software\\VhScratch\\A", "V", "C:\\Windows\\notepad.exe");
        reg.RemoveKey(kHklm, "Software\\VhScratch\\B");
        reg.AddLink(kHklm, "Software\\VhScratch\\B", kHklm, memory);
    };
    repair.Press();
    EXPECT_EQ(Messages().back(), "1 errors has repaired.\r\n1 values were kept because they changed since the scan.");
    EXPECT_TRUE(reg.ValueExists(kHklm, "Software\\VhScratch\\A", "V"));
    EXPECT_TRUE(reg.ValueExists(kHklm, memory, "V"));
}

}  // namespace
