// A value is judged where it really is, whatever link the walk came through:
// the registry's names in root form, the protected places and categories of
// the real place, one row per value and root view, and ignore entries that
// cover every view of a value.
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

// A service's value is a service's wherever it is seen.
TEST_F(LinkedScan, TheCategoryIsTheRealPlaces) {
    const std::string service = "System\\ControlSet001\\Services\\vhsvc";
    reg.SetString(kHklm, service, "ImagePath", "C:\\gone\\vhsvc.exe");
    SetDword(service, "Type", 16);
    SetDword(service, "Start", 3);
    reg.AddLink(kHkcu, "Software\\VhLinkTest\\svc", kHklm, service);
    OpenWindow({engine::Category::SystemSoftwareSettings});
    start.Press();
    EXPECT_EQ(list.RowCount(), 0) << "not a setting of the software, for all the path says";
    OpenWindow({engine::Category::SystemServices});
    start.Press();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\VhLinkTest\\svc\\ImagePath",
                                                "HKEY_LOCAL_MACHINE\\" + service + "\\ImagePath"}));
    EXPECT_EQ(Row(1)[5], "System services");
}

// Links that fan out to one key: it is walked once, and its value listed
// once in each root's view, a row per view.
TEST_F(LinkedScan, AFanOfLinksListsItsValueOncePerRoot) {
    std::vector<std::string> levels{"Software\\VhDag\\K0"};
    for (int i = 1; i <= 20; ++i) levels.push_back("Software\\VhDag\\K" + std::to_string(i));
    reg.SetString(kHklm, levels.back(), "v", "C:\\gone\\dag.exe");
    for (std::size_t i = 0; i + 1 < levels.size(); ++i)
        for (const char* link : {"\\a", "\\b"}) reg.AddLink(kHklm, levels[i] + link, kHklm, levels[i + 1]);
    reg.AddLink(kHkcu, "Software\\VhDag", kHklm, "Software\\VhDag");
    start.Press();
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(Row(1)[1], "HKEY_CURRENT_USER");
    EXPECT_EQ(Row(2)[1], "HKEY_LOCAL_MACHINE");
}

// One value seen through two roots: an entry made from either row keeps it
// in both, now and in every later scan, and names its real place.
TEST_F(LinkedScan, IgnoringOneViewOfAValueIgnoresEvery) {
    reg.SetString(kHklm, "Software\\Vendor\\App Paths", "x", "C:\\gone\\x.exe");
    reg.SetString(kHklm, "Software\\Vendor\\App Paths", "y", "C:\\gone\\y.exe");
    reg.AddLink(kHkcu, "Software\\Wow6432Node\\Vendor", kHklm, "Software\\Vendor");
    start.Press();
    ASSERT_EQ(list.RowCount(), 4);
    list.OpenMenu(1, 1);  // x through the link
    EXPECT_EQ(Keys(), (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Wow6432Node\\Vendor\\App Paths\\y",
                                                "HKEY_LOCAL_MACHINE\\Software\\Vendor\\App Paths\\y"}));
    EXPECT_EQ(files.Contents(files.appFolder + engine::kIgnoreListName),
              "value\tHKEY_LOCAL_MACHINE\tSoftware\\Vendor\\App Paths\tx\r\n");
    start.Press();
    EXPECT_EQ(list.RowCount(), 2);
    repair.Press();
    EXPECT_TRUE(reg.ValueExists(kHklm, "Software\\Vendor\\App Paths", "x"));
    EXPECT_FALSE(reg.ValueExists(kHklm, "Software\\Vendor\\App Paths", "y"));
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

}  // namespace
