// The values the user keeps: the ignore list's file, what an entry covers,
// and the scan window's menu that adds entries.
#include <gtest/gtest.h>

#include "ScanFixture.h"
#include "engine/IgnoreList.h"

namespace {

using engine::IgnoreEntry;
using engine::IgnoreList;

TEST(IgnoreListFile, EveryNameTheRegistryAllowsComesBackExactly) {
    const IgnoreEntry entries[] = {
        {"HKEY_CURRENT_USER", "Software\\Run", std::string("C:\\Tools\\app.exe")},
        {"HKEY_LOCAL_MACHINE", "Software\\A", std::string("tab\there=\"quoted\"")},
        {"HKEY_CURRENT_USER", "Software\\\xE4\xB8\xAD", std::string("\xE6\x96\x87 100%")},
        {"HKEY_CURRENT_USER", "Software\\A", std::string("")},  // the default value
        {"HKEY_CURRENT_USER", "Software\\A", std::string("line\r\nend\x7F")},
        {"HKEY_CURRENT_USER", "Software\\A", std::string("nul\0inside", 10)},
        {"HKEY_CURRENT_USER", "Software\\A", std::string("lone \xED\xA0\xBD surrogate")},
        {"HKEY_USERS", "S-1-5-21-0-0-0-1000\\Software\\Old", std::nullopt},  // a key entry
    };
    IgnoreList list;
    for (const IgnoreEntry& entry : entries) list.Add(entry);
    const std::string text = list.Text();
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_NE(text.find("value\tHKEY_CURRENT_USER\tSoftware\\Run\tC:\\Tools\\app.exe\r\n"), std::string::npos)
        << "readable in a text editor";
    EXPECT_NE(text.find("key\tHKEY_USERS\tS-1-5-21-0-0-0-1000\\Software\\Old\r\n"), std::string::npos);
    IgnoreList back;
    back.Load(text);
    ASSERT_EQ(back.Count(), static_cast<int>(std::size(entries)));
    EXPECT_EQ(back.Text(), text);
    for (const IgnoreEntry& entry : entries) {
        const auto line = engine::ParseIgnoreLine(engine::IgnoreLine(entry));
        ASSERT_TRUE(line);
        EXPECT_EQ(*line, entry) << engine::IgnoreLine(entry);
    }
}

TEST(IgnoreListFile, ALineThatCannotBeReadIsKeptAndPassedOver) {
    const std::string text =
        "# kept by hand\r\n"
        "value\tHKEY_CURRENT_USER\tSoftware\\A\tx\r\n"
        "value\tHKEY_NOWHERE\tSoftware\\A\tx\r\n"
        "value\tHKEY_CURRENT_USER\tSoftware\\A\r\n"
        "key\tHKEY_CURRENT_USER\tbad %zz escape\r\n"
        "\r\n"
        "key\tHKEY_CURRENT_USER\tSoftware\\B\n";
    IgnoreList list;
    list.Load(text);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Text(), "# kept by hand\r\nvalue\tHKEY_CURRENT_USER\tSoftware\\A\tx\r\n"
                           "value\tHKEY_NOWHERE\tSoftware\\A\tx\r\nvalue\tHKEY_CURRENT_USER\tSoftware\\A\r\n"
                           "key\tHKEY_CURRENT_USER\tbad %zz escape\r\n\r\nkey\tHKEY_CURRENT_USER\tSoftware\\B\r\n");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Text().find("Software\\B"), std::string::npos);
    EXPECT_NE(list.Text().find("HKEY_NOWHERE"), std::string::npos) << "a line that cannot be read is never lost";
}

// Lines written by hand: roots in any case or in their short forms, a key
// with a backslash after it. What cannot be read is counted, comments and
// empty lines not.
TEST(IgnoreListFile, HandWrittenLinesAreReadAsMeant) {
    const std::string sid = "S-1-5-21-0-0-0-1000";
    IgnoreList list;
    list.Load("# mine\r\n\r\n"
              "value\tHKCU\tSoftware\\Run\tApp\r\n"
              "key\thklm\tSoftware\\Old\\\r\n"
              "key\tHKCR\tCLSID\\{1}\r\n"
              "key\tHku\t.DEFAULT\\Software\r\n"
              "value\tHKCC\tSoftware\\Fonts\tLogPixels\r\n"
              "key\tHKEY_Current_User\tSoftware\\Mine\r\n"
              "value\tHKXX\tSoftware\tx\r\n"
              "key HKLM Software\r\n");
    EXPECT_EQ(list.Count(), 6);
    EXPECT_EQ(list.Unreadable(), 2);
    const struct {
        const char* root;
        std::string key;
        const char* value;
    } covered[] = {
        {"HKEY_CURRENT_USER", "Software\\Run", "App"},
        {"HKEY_LOCAL_MACHINE", "Software\\Old\\Sub", "x"},
        {"HKEY_LOCAL_MACHINE", "Software\\Classes\\CLSID\\{1}", ""},
        {"HKEY_USERS", ".DEFAULT\\Software\\X", "x"},
        {"HKEY_CURRENT_CONFIG", "Software\\Fonts", "LogPixels"},
        {"HKEY_USERS", sid + "\\Software\\Mine", "x"},
    };
    for (const auto& c : covered) EXPECT_TRUE(list.Covers(c.root, c.key, c.value, sid)) << c.root << "\\" << c.key;
    EXPECT_EQ(engine::ParseIgnoreLine("key\thkcu\tSoftware\\A\\"),
              (IgnoreEntry{"HKEY_CURRENT_USER", "Software\\A", std::nullopt}));
}

TEST(IgnoreListFile, ItIsWrittenThroughATemporaryFile) {
    fakes::MemoryFileSystem files;
    const std::string path = files.appFolder + engine::kIgnoreListName;
    EXPECT_EQ(engine::LoadIgnoreList(files, path)->Count(), 0) << "no file: no entries";
    IgnoreList list;
    list.Add({"HKEY_CURRENT_USER", "Software\\A", std::nullopt});
    ASSERT_TRUE(engine::SaveIgnoreList(files, path, list));
    EXPECT_EQ(files.Contents(path), "key\tHKEY_CURRENT_USER\tSoftware\\A\r\n");
    EXPECT_FALSE(files.HasFile(path + ".new"));
    list.Add({"HKEY_CURRENT_USER", "Software\\B", std::nullopt});
    files.failWriteAfter = 0;
    EXPECT_FALSE(engine::SaveIgnoreList(files, path, list));
    EXPECT_EQ(files.Contents(path), "key\tHKEY_CURRENT_USER\tSoftware\\A\r\n") << "the old list stays whole";
    EXPECT_FALSE(files.HasFile(path + ".new"));
}

// A file that is there but cannot be read is no empty list: it gives none,
// and says why.
TEST(IgnoreListFile, OneThatCannotBeReadIsNoEmptyList) {
    using platform::FileRead;
    for (FileRead::Result result : {FileRead::InUse, FileRead::Denied, FileRead::NotADiskFile, FileRead::Failed}) {
        fakes::MemoryFileSystem files;
        const std::string path = files.appFolder + engine::kIgnoreListName;
        files.FailReads(path, result);
        FileRead read;
        EXPECT_FALSE(engine::LoadIgnoreList(files, path, &read)) << platform::ReadFailureText({result});
        EXPECT_EQ(read.result, result);
    }
    fakes::MemoryFileSystem files;
    const std::string path = files.appFolder + engine::kIgnoreListName;
    files.AddFolder(path);
    FileRead read;
    EXPECT_FALSE(engine::LoadIgnoreList(files, path, &read));
    EXPECT_STREQ(platform::ReadFailureText(read), "it is a folder");
}

TEST(IgnoreListCover, AValueAKeyAndTheRootViewsThatShowThem) {
    const std::string sid = "S-1-5-21-0-0-0-1000";
    IgnoreList list;
    list.Add({"HKEY_CURRENT_USER", "Software\\Run", std::string("App")});
    list.Add({"HKEY_CLASSES_ROOT", "CLSID\\{1}", std::nullopt});
    list.Add({"HKEY_USERS", sid + "\\Software\\Old", std::nullopt});
    const struct {
        const char* root;
        std::string key;
        const char* value;
        bool covered;
    } cases[] = {
        {"HKEY_CURRENT_USER", "Software\\Run", "App", true},
        {"HKEY_CURRENT_USER", "software\\RUN", "App", true},  // keys without regard to case
        {"HKEY_USERS", sid + "\\Software\\Run", "App", true},
        {"HKEY_USERS", "S-1-5-21-9\\Software\\Run", "App", false},  // another user
        {"HKEY_CURRENT_USER", "Software\\Run", "App2", false},
        {"HKEY_CURRENT_USER", "Software\\Run", "aPP", true},  // value names too
        {"HKEY_CURRENT_USER", "Software\\Run\\Sub", "App", false},  // a value entry is its key only
        {"HKEY_LOCAL_MACHINE", "Software\\Run", "App", false},
        {"HKEY_CLASSES_ROOT", "CLSID\\{1}", "", true},
        {"HKEY_CLASSES_ROOT", "CLSID\\{1}\\InprocServer32", "", true},  // everything below the key
        {"HKEY_LOCAL_MACHINE", "Software\\Classes\\CLSID\\{1}\\InprocServer32", "", true},
        {"HKEY_CLASSES_ROOT", "CLSID\\{10}", "", false},  // a name that only starts like it
        {"HKEY_CURRENT_USER", "Software\\Old\\Deep", "x", true},
        {"HKEY_CURRENT_USER", "Software\\Older", "x", false},
        // The user's classes, and the hardware profile HKEY_CURRENT_CONFIG shows.
        {"HKEY_USERS", sid + "_Classes\\Mine\\Sub", "", true},
        {"HKEY_CURRENT_USER", "Software\\Classes\\Mine", "v", true},
        {"HKEY_USERS", sid + "_Classes\\Minex", "", false},
        {"HKEY_CURRENT_CONFIG", "Software\\Fonts", "LogPixels", true},
        {"HKEY_LOCAL_MACHINE", "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts", "LogPixels", true},
    };
    list.Add({"HKEY_USERS", sid + "_Classes\\Mine", std::nullopt});
    list.Add({"HKEY_LOCAL_MACHINE", "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts", std::string("LogPixels")});
    for (const auto& c : cases) EXPECT_EQ(list.Covers(c.root, c.key, c.value, sid), c.covered) << c.root << "\\" << c.key;
}

// An entry made from a row names the value's real place, the user's own
// trees as HKEY_CURRENT_USER.
TEST(IgnoreListCover, AnEntryNamesTheRealPlace) {
    const std::string sid = "S-1-5-21-0-0-0-1000";
    const struct {
        engine::KeyPlace place;
        IgnoreEntry entry;
    } cases[] = {
        {{platform::kHkeyUsers, sid + "\\Software\\Run"}, {"HKEY_CURRENT_USER", "Software\\Run", std::string("v")}},
        {{platform::kHkeyUsers, sid}, {"HKEY_CURRENT_USER", "", std::string("v")}},
        {{platform::kHkeyUsers, sid + "_Classes\\CLSID\\{1}"}, {"HKEY_CURRENT_USER", "Software\\Classes\\CLSID\\{1}", std::string("v")}},
        {{platform::kHkeyUsers, "S-1-5-21-9\\Software"}, {"HKEY_USERS", "S-1-5-21-9\\Software", std::string("v")}},
        {{platform::kHkeyUsers, sid + "0\\Software"}, {"HKEY_USERS", sid + "0\\Software", std::string("v")}},
        {{platform::kHkeyLocalMachine, "SOFTWARE\\Classes\\CLSID"}, {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Classes\\CLSID", std::string("v")}},
    };
    for (const auto& c : cases) EXPECT_EQ(engine::EntryAt(c.place, sid, "v"), c.entry) << c.place.path;
}

// Loading costs a step per line and a lookup a few, however long the list.
TEST(IgnoreListCover, ALongListLoadsOnceAndAnswersEveryLookup) {
    const std::string sid = "S-1-5-21-0-0-0-1000";
    std::string text;
    constexpr int kEntries = 100000;
    for (int i = 0; i < kEntries; ++i) {
        text += "value\tHKEY_CURRENT_USER\tSoftware\\Vendor" + std::to_string(i % 1000) + "\tv" + std::to_string(i) + "\r\n";
        if (i % 10 == 0) text += "key\tHKEY_LOCAL_MACHINE\tSoftware\\Old" + std::to_string(i) + "\r\n";
    }
    text += text.substr(0, text.size() / 2);  // half of it again: each entry counts once
    IgnoreList list;
    list.Load(text);
    EXPECT_EQ(list.Count(), kEntries + kEntries / 10);
    EXPECT_TRUE(list.Covers("HKEY_USERS", sid + "\\software\\VENDOR7", "v99007", sid));
    EXPECT_FALSE(list.Covers("HKEY_USERS", sid + "\\Software\\Vendor7", "v99008", sid));
    EXPECT_TRUE(list.Covers("HKEY_LOCAL_MACHINE", "Software\\Old99990\\A\\B", "x", sid));
    EXPECT_FALSE(list.Covers("HKEY_LOCAL_MACHINE", "Software\\Old99991", "x", sid));
    list.Add({"HKEY_LOCAL_MACHINE", "Software\\Old99991", std::nullopt});
    EXPECT_TRUE(list.Covers("HKEY_LOCAL_MACHINE", "Software\\Old99991", "x", sid)) << "an entry added counts at once";
    EXPECT_EQ(list.Count(), kEntries + kEntries / 10 + 1);
}

class IgnoreInTheScanWindow : public ScanFixture {
protected:
    const std::string path = files.appFolder + engine::kIgnoreListName;
    void SetUp() override {
        ScanFixture::SetUp();
        reg.SetString(kHkcu, "Software\\A", "x", "C:\\gone\\x.exe");
        reg.SetString(kHkcu, "Software\\A", "y", "C:\\gone\\y.exe");
        reg.SetString(kHkcu, "Software\\A\\Sub", "z", "C:\\gone\\z.exe");
        reg.SetString(kHkcu, "Software\\B", "w", "C:\\gone\\w.exe");
    }
};

TEST_F(IgnoreInTheScanWindow, AnIgnoredValueLeavesTheListAndEveryLaterScan) {
    start.Press();
    ASSERT_EQ(list.RowCount(), 4);
    EXPECT_EQ(list.OpenMenu(1), (std::vector<std::string>{"Ignore this value", "Ignore all values under this key"}));
    list.OpenMenu(2, 1);  // y
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_EQ(status.caption, "3");
    EXPECT_EQ(list.selected, 2) << "the row that took its place";
    EXPECT_EQ(Row(2)[2], "Software\\A\\Sub\\z");
    EXPECT_EQ(files.Contents(path), "value\tHKEY_CURRENT_USER\tSoftware\\A\ty\r\n");
    start.Press();
    EXPECT_EQ(list.RowCount(), 3) << "not listed again";
    for (int row = 1; row <= 3; ++row) EXPECT_NE(Row(row)[2], "Software\\A\\y");

    list.OpenMenu(1, 2);  // everything under Software\A, Sub included
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(Row(1)[2], "Software\\B\\w");
    EXPECT_EQ(list.selected, 1);
    repair.Press();
    EXPECT_TRUE(reg.ValueExists(kHkcu, "Software\\A", "x")) << "never removed";
    EXPECT_TRUE(reg.ValueExists(kHkcu, "Software\\A\\Sub", "z"));
    EXPECT_FALSE(reg.ValueExists(kHkcu, "Software\\B", "w"));

    files.AddFile(path, "");  // forgotten: listed again
    start.Press();
    EXPECT_EQ(list.RowCount(), 3);
}

TEST_F(IgnoreInTheScanWindow, NoMenuWhileAWalkRunsAndNothingLostWhenTheListCannotBeWritten) {
    std::vector<std::string> during;
    bool opened = false;
    ui.onYield = [&](int) {
        if (list.RowCount() == 0 || opened) return;
        opened = true;
        during = list.OpenMenu(1, 1);
    };
    start.Press();
    ASSERT_TRUE(opened);
    EXPECT_TRUE(during.empty()) << "no menu while the walk runs";
    EXPECT_EQ(list.RowCount(), 4);
    ui.onYield = nullptr;

    files.failCreateFile = true;
    list.OpenMenu(1, 1);
    EXPECT_EQ(list.RowCount(), 4) << "the rows stay";
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "The ignore list could not be written, so the rows stay:\r\n" + path);
}

// A list that is there but cannot be read keeps everything: no scan starts,
// no repair removes, and the menu never writes it over with one entry.
TEST_F(IgnoreInTheScanWindow, AListThatCannotBeReadStopsTheScanAndTheRepair) {
    files.AddFile(path, "key\tHKEY_CURRENT_USER\tSoftware\\A\r\n");
    files.FailReads(path, platform::FileRead::InUse);
    start.Press();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"The ignore list could not be read (another program holds it open), "
                                                    "so the scan did not start:\r\n" + path}));
    EXPECT_TRUE(start.enabled);

    files = AskedFileSystem();
    files.AddFile(path, "key\tHKEY_CURRENT_USER\tSoftware\\A\r\n");
    start.Press();
    ASSERT_EQ(list.RowCount(), 1);
    files.FailReads(path, platform::FileRead::Denied);
    list.OpenMenu(1, 1);
    EXPECT_EQ(list.RowCount(), 1) << "the rows stay";
    EXPECT_EQ(files.Contents(path), "key\tHKEY_CURRENT_USER\tSoftware\\A\r\n");
    ui.messages.clear();
    repair.Press();
    EXPECT_TRUE(reg.ValueExists(kHkcu, "Software\\B", "w")) << "nothing removed";
    EXPECT_EQ(Messages().back(), "The ignore list could not be read (access is denied), so nothing was repaired:\r\n" + path);
    EXPECT_EQ(Record("FixedCount"), "<none>");
}

// The repair reads the list again after the backup's message, which waits
// for the user: an entry made meanwhile keeps its value.
TEST_F(IgnoreInTheScanWindow, AnEntryMadeWhileTheBackupMessageWaitsIsHonoured) {
    start.Press();
    ASSERT_EQ(list.RowCount(), 4);
    ui.onMessage = [&](const std::string& text) {
        if (text.rfind("Backup file:", 0) == 0) files.AddFile(path, "value\tHKEY_CURRENT_USER\tSoftware\\B\tW\r\n");
    };
    repair.Press();
    EXPECT_TRUE(reg.ValueExists(kHkcu, "Software\\B", "w")) << "value names without regard to case";
    EXPECT_FALSE(reg.ValueExists(kHkcu, "Software\\A", "x"));
    EXPECT_EQ(Messages().back(), "3 errors has repaired.\r\n1 values were kept because the ignore list now covers them.");
}

}  // namespace
