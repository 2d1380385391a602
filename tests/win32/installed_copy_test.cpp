// A copy installed by the MSI, as its windows see it: the pictures come from
// the program's folder, each user's profile, backups and ignore list from the
// user's own folder (a temp folder stands for %LOCALAPPDATA% here).
#include <windows.h>

#include <gtest/gtest.h>

#include "profile/DataFolder.h"
#include "win32/app_test_support.h"

namespace {

using namespace app_test;
using shell::Page;
using ui_test::PumpUntil;

// The program's folder with the pictures and the MSI's marker, and a folder
// of the user's own.
class InstalledFiles final : public platform::win32::Win32FileSystem {
public:
    InstalledFiles() { program_.WriteFile(profile::kInstalledMarkerName, "installed by the MSI\r\n"); }
    ~InstalledFiles() override {
        for (const char* sub : {"\\RegBackups\\", "\\"})
            for (const std::string& file : ListFiles(Data() + sub + "*")) ::DeleteFileW(Wide(Data() + sub + file).c_str());
        ::RemoveDirectoryW(Wide(Data() + "\\RegBackups").c_str());
        ::RemoveDirectoryW(Wide(Data()).c_str());
    }
    std::string AppFolder() override { return program_.AppFolder(); }
    std::string LocalAppDataDirectory() override { return local_.AppFolder(); }
    std::string Data() { return local_.AppFolder() + "\\Varnholt"; }
    void WriteData(const std::string& name, const std::string& bytes) { local_.WriteFile("\\Varnholt" + name, bytes); }

private:
    AppFolderFiles program_{true, "varnholt-installed"};
    AppFolderFiles local_{false, "varnholt-local"};
};

TEST(InstalledCopy, ThePagesReadAndWriteTheUsersOwnFilesAndShowThePicturesOfTheProgramFolder) {
    InstalledFiles files;
    ASSERT_EQ(profile::DataFolder(files), files.Data()) << "made at the first look";
    files.WriteData("\\ro.ini", "[Settings]\r\nBackupBeforeFix=1\r\n[Records]\r\nFixedCount=5\r\n");
    files.WriteData("\\ignore.txt", "key\tHKEY_CURRENT_USER\tSoftware\\Kept\r\n");
    ::CreateDirectoryW(Wide(files.Data() + "\\RegBackups").c_str(), nullptr);
    files.WriteData("\\RegBackups\\Backup (1).reg", "REGEDIT4\r\n");

    platform::win32::Win32Registry registry;
    platform::win32::Win32CodePage codePage;
    platform::win32::Win32Profile profile;
    platform::win32::Win32Shell shell;
    ScriptedUi ui;
    app::App application({registry, files, codePage, profile, shell, ui}, [] {});
    application.Start();
    ASSERT_NE(application.OpenPage(), nullptr);
    EXPECT_TRUE(ui.messages.empty()) << "the pictures load from the program's folder: " << ui.messages[0].text;

    ClickPicture(*application.OpenPage(), "ImageRecords");
    ASSERT_TRUE(PumpUntil([&] { return application.OpenPage()->Page() == Page::Records; }));
    EXPECT_EQ(application.OpenPage()->LabelNamed("LabelFixedCount").Caption(), "5");

    ClickPicture(*application.OpenPage(), "ImageRestore");
    ASSERT_TRUE(PumpUntil([&] { return application.OpenPage()->Page() == Page::RestoreAndBackup; }));
    EXPECT_EQ(ui_test::ShownText(application.OpenPage()->ListNamed("ListViewBackups").Handle(), 1, 1), "Backup (1).reg");

    ClickPicture(*application.OpenPage(), "ImageSettings");
    ASSERT_TRUE(PumpUntil([&] { return application.OpenPage()->Page() == Page::Settings; }));
    app::PageWindow& settings = *application.OpenPage();
    EXPECT_EQ(settings.LabelNamed("LabelIgnored").Caption(), "Ignored entries: 1");
    auto& box = settings.CheckNamed("CheckBackupBeforeFix");
    EXPECT_EQ(box.Value(), 1);
    ::SendMessageW(box.Handle(), BM_CLICK, 0, 0);
    ClickButton(settings, "CommandApplySettings");
    EXPECT_TRUE(PumpUntil([&] { return ReadProfile(files.Data() + "\\ro.ini", "Settings", "BackupBeforeFix") == "0"; }));
    EXPECT_EQ(files.PathExists(files.AppFolder() + "\\ro.ini"), 0) << "nothing of the user's beside the program";

    ClickPicture(*application.OpenPage(), "ImageExit");
    EXPECT_TRUE(PumpUntil([&] { return application.OpenPage() == nullptr; }));
}

}  // namespace
