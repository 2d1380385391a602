// Where each user's files live: beside the executable for the portable
// copy, in the user's own %LOCALAPPDATA%\Varnholt for a copy the MSI
// installed, for the scan window, the backup page and the command line alike.
#include "ScanFixture.h"
#include "cli/Cli.h"
#include "fakes/FakeConsole.h"
#include "fakes/FakeShell.h"
#include "profile/DataFolder.h"
#include "scan/FormRestoreAndBackup.h"

namespace {

TEST(DataFolder, TheMarkerBesideTheExecutableAloneMovesTheFilesToTheUsersOwnFolder) {
    const std::string app = "C:\\Program Files\\Varnholt", local = "C:\\Users\\User\\AppData\\Local";
    struct Case {
        bool marker;
        std::string localAppData;
        std::string expected;
    } cases[] = {
        {false, local, app},                         // the portable zip, wherever it was unpacked
        {true, local, local + "\\Varnholt"},         // installed by the MSI
        {true, "", app},                             // a system that names no such folder
    };
    for (const Case& c : cases) {
        fakes::MemoryFileSystem files;
        files.localAppData = c.localAppData;
        if (c.marker) files.AddFile(app + profile::kInstalledMarkerName, "installed by the MSI\r\n");
        EXPECT_EQ(profile::DataFolder(files), c.expected) << c.marker << " " << c.localAppData;
        EXPECT_EQ(files.PathExists(local + "\\Varnholt"), c.expected == local + "\\Varnholt" ? 1 : 0)
            << "the folder is made for an installed copy only";
    }
}

class InstalledCopy : public ScanFixture {
protected:
    std::string data;
    void SetUp() override {
        files.AddFile(files.appFolder + profile::kInstalledMarkerName);
        data = files.localAppData + "\\Varnholt";
        ScanFixture::SetUp();
    }
    // Every file of the application folder but the marker: the user's files
    // must go elsewhere.
    std::vector<std::string> BesideTheExecutable() {
        std::vector<std::string> names = files.FilesIn(files.appFolder);
        std::erase(names, std::string(profile::kInstalledMarkerName + 1));
        return names;
    }
};

TEST_F(InstalledCopy, TheScanWindowAndTheBackupPageUseTheUsersOwnFolder) {
    reg.SetString(kHkcu, "Software\\Old", "a", "C:\\Gone\\a.exe");
    reg.SetString(kHkcu, "Software\\Old", "kept", "C:\\Gone\\kept.exe");
    files.AddFile(data + "\\ignore.txt", "value\tHKEY_CURRENT_USER\tSoftware\\Old\tkept\r\n");
    start.Press();
    ASSERT_EQ(list.RowCount(), 1) << "the value the user's ignore list keeps is not listed";
    repair.Press();
    ASSERT_EQ(files.FilesIn(data + "\\RegBackups").size(), 1u);
    EXPECT_EQ((profile.values[{data + "\\ro.ini", "Records", "FixedCount"}]), "1");

    // The setting is read from there too: off, no second backup.
    profile.values[{data + "\\ro.ini", "Settings", "BackupBeforeFix"}] = "0";
    reg.SetString(kHkcu, "Software\\Old", "b", "C:\\Gone\\b.exe");
    start.Press();
    repair.Press();
    EXPECT_EQ(files.FilesIn(data + "\\RegBackups").size(), 1u);
    EXPECT_TRUE(BesideTheExecutable().empty());
    EXPECT_EQ(files.PathExists(files.appFolder + "\\RegBackups"), 0);
    for (const auto& [key, value] : profile.values) EXPECT_EQ(std::get<0>(key), data + "\\ro.ini");

    fakes::FakeShell shell;
    fakes::FakeListView backups;
    fakes::FakeButton refresh, restore, del;
    scan::FormRestoreAndBackup page{{backups, refresh, restore, del}, files, shell, ui, 7};
    page.Form_Load();
    ASSERT_EQ(backups.RowCount(), 1);
    restore.Press();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].rfind(data + "\\RegBackups\\Backup (", 0), 0u);
}

TEST_F(InstalledCopy, TheCommandLineUsesTheUsersOwnFolderAndSaysWhichItIs) {
    fakes::FakeConsole console;
    fakes::FakeMachine machine;
    cli::Services services{reg, files, codePage, profile, console, ui, machine};
    reg.SetString(kHkcu, "Software\\Old", "a", "C:\\Gone\\a.exe");
    reg.SetString(kHkcu, "Software\\Old", "kept", "C:\\Gone\\kept.exe");
    files.AddFile(data + "\\ignore.txt", "value\tHKEY_CURRENT_USER\tSoftware\\Old\tkept\r\n");

    EXPECT_EQ(cli::RunCommandLine({"repair"}, services), cli::kExitDone);
    EXPECT_TRUE(reg.ValueExists(kHkcu, "Software\\Old", "kept"));
    EXPECT_EQ(files.FilesIn(data + "\\RegBackups").size(), 1u);
    EXPECT_EQ((profile.values[{data + "\\ro.ini", "Records", "FixedCount"}]), "1");
    EXPECT_TRUE(BesideTheExecutable().empty());

    console.out.clear();
    EXPECT_EQ(cli::RunCommandLine({"backups", "--format", "json"}, services), cli::kExitDone);
    EXPECT_NE(console.out.find("\"folder\": \"C:\\\\Users\\\\User\\\\AppData\\\\Local\\\\Varnholt\\\\RegBackups\""),
              std::string::npos)
        << console.out;

    console.out.clear();
    EXPECT_EQ(cli::RunCommandLine({"--version"}, services), cli::kExitDone);
    EXPECT_NE(console.out.find("\r\nData folder: " + data + "\r\n"), std::string::npos) << console.out;

    files.RemoveFile(files.appFolder + profile::kInstalledMarkerName);
    console.out.clear();
    cli::RunCommandLine({"--version"}, services);
    EXPECT_NE(console.out.find("\r\nData folder: " + files.appFolder + "\r\n"), std::string::npos)
        << "the portable copy keeps its files beside the executable";
}

}  // namespace
