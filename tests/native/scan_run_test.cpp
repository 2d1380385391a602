// Whole scans in the scan window, on the in-memory registry.
#include "ScanFixture.h"

using Texts = std::vector<std::string>;

TEST_F(ScanFixture, LoadingPreparesTheWindowAndTheTimerStartsOneScan) {
    EXPECT_EQ(list.columns, (Texts{"Error Type", "Root", "Key", "Value", "Missing file", "Category"}));
    EXPECT_EQ(currentKey.caption, "Ready");
    EXPECT_FALSE(stop.enabled);
    EXPECT_FALSE(repair.enabled);
    EXPECT_TRUE(timer.enabled);
    EXPECT_EQ(timer.interval, 100u);
    timer.Fire();
    EXPECT_FALSE(timer.enabled);
    EXPECT_EQ(currentKey.caption, "Scan finished");
}

TEST_F(ScanFixture, AScanThatFindsNothing) {
    reg.SetString(kHkcu, "Software\\App", "Path", "C:\\windows\\system32");  // exists
    start.Press();
    EXPECT_EQ(currentKey.caption, "Scan finished");
    EXPECT_EQ(status.caption, "0");
    EXPECT_TRUE(start.enabled);
    EXPECT_FALSE(stop.enabled);
    EXPECT_FALSE(repair.enabled);
    EXPECT_EQ(Record("ErrorCount"), "<none>") << "a scan that ends by itself writes no records";
}

TEST_F(ScanFixture, FindsMissingFilesByValueNameAndData) {
    files.AddFile("C:\\windows\\notepad.exe");
    reg.SetString(kHkcu, "Software\\A", "C:\\gone\\name.dll", "C:\\gone\\data.exe /x");  // two rows
    reg.SetString(kHkcu, "Software\\A", "present", "C:\\windows\\notepad.exe");
    reg.SetString(kHkcu, "Software\\A", "text", "C:\\gone\\readme.txt");
    reg.SetString(kHkcu, "Software\\A", "filter", "c:\\Tools\\filter.ax");
    reg.SetValue(kHkcu, "Software\\A", "num", 4, {1, 0, 0, 0});
    reg.AddKey(kHkcu, "Software\\C:\\gone.exe");  // key names never make a row
    reg.SetString(kHkcu, "Software\\B", "", "C:\\gone\\default.ocx");
    start.Press();
    ASSERT_EQ(list.RowCount(), 4);
    const std::string kSettings = "System Software Settings";
    // The missing file: the path looked for, as written, without the arguments.
    EXPECT_EQ(Row(1), (Texts{"VALUE NAME", "HKEY_CURRENT_USER", "Software\\A\\C:\\gone\\name.dll", "C:\\gone\\data.exe /x",
                             "C:\\gone\\data.exe", kSettings}));
    EXPECT_EQ(Row(2), (Texts{"VALUE VALUE", "HKEY_CURRENT_USER", "Software\\A\\C:\\gone\\name.dll", "C:\\gone\\data.exe /x",
                             "C:\\gone\\data.exe", kSettings}));
    EXPECT_EQ(Row(3)[3], "c:\\Tools\\filter.ax");
    EXPECT_EQ(Row(4), (Texts{"VALUE VALUE", "HKEY_CURRENT_USER", "Software\\B\\", "C:\\gone\\default.ocx",
                             "C:\\gone\\default.ocx", kSettings}));
    EXPECT_EQ(status.caption, "4");
    EXPECT_EQ(list.lastVisible, 4);
    EXPECT_EQ(list.autoSizes, 4);
    // The finding keeps the value's parts: its name holds backslashes.
    const engine::Finding& f = form->Findings()[0];
    EXPECT_EQ(f.keyPath, "Software\\A");
    EXPECT_EQ(f.valueName, "C:\\gone\\name.dll");
    EXPECT_EQ(f.root, kHkcu);
    EXPECT_EQ(f.type, 1u);
    for (int row = 1; row <= 4; ++row) EXPECT_TRUE(list.Checked(row));
    EXPECT_TRUE(repair.enabled);
}

TEST_F(ScanFixture, StopWritesTheRecordsAndTicksTheRows) {
    for (int i = 0; i < 6; ++i) reg.SetString(kHkcu, "S\\K" + std::to_string(i), "v", "C:\\gone" + std::to_string(i) + ".exe");
    ui.onYield = [&](int) {
        if (list.RowCount() == 3) stop.Press();
    };
    start.Press();
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_EQ(Record("ErrorCount"), "3");
    EXPECT_EQ(Record("LastScanTime"), ui.now);
    EXPECT_EQ(currentKey.caption, "Scan is stopped by user.");
    for (int row = 1; row <= 3; ++row) EXPECT_TRUE(list.Checked(row));
    EXPECT_TRUE(repair.enabled);
    EXPECT_TRUE(start.enabled);
    EXPECT_FALSE(stop.enabled);
}

TEST_F(ScanFixture, StopWithNoFindings) {
    reg.AddKey(kHkcu, "S\\K");
    ui.onYield = [&](int n) {
        if (n == 1) stop.Press();
    };
    start.Press();
    EXPECT_EQ(Record("ErrorCount"), "0");
    EXPECT_FALSE(repair.enabled);
    EXPECT_EQ(currentKey.caption, "Scan is stopped by user.");
}

TEST_F(ScanFixture, AFailureEndsTheScanWithItsNumber) {
    reg.SetString(platform::kHkeyClassesRoot, "A", "v", "C:\\gone.exe");
    reg.AddKey(platform::kHkeyClassesRoot, "B");
    reg.OnOpen(platform::kHkeyClassesRoot, "B", [] { throw std::bad_alloc(); });
    start.Press();
    EXPECT_EQ(currentKey.caption, "Error:7");
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_TRUE(list.Checked(1));
    EXPECT_TRUE(repair.enabled);
    EXPECT_TRUE(start.enabled);
}

TEST_F(ScanFixture, ExitIsRefusedWhileScanningAndDeferredWhileUnwinding) {
    for (const char* k : {"a", "b", "c"}) reg.AddKey(kHkcu, std::string("S\\") + k);
    ui.onYield = [&](int n) {
        if (n == 1) {
            ret.Press();
            form->ImageExit_Click();
            EXPECT_EQ(closes, 0);
        }
        if (n == 2) {
            stop.Press();
            ret.Press();  // the guard lets it through: the walk still unwinds
            EXPECT_EQ(closes, 0) << "nothing is closed under the walk";
        }
    };
    start.Press();
    EXPECT_EQ(Messages(), (Texts{"Now scanning,can not exit.", "Now scanning,can not exit."}));
    EXPECT_EQ(ui.messages[0].style, platform::MessageStyle::Exclamation);
    EXPECT_EQ(closes, 1) << "closed once the walk is over";
    ret.Press();
    EXPECT_EQ(closes, 2);
}

TEST_F(ScanFixture, ThePlatformCloseWaitsForTheWalk) {
    reg.AddKey(kHkcu, "S\\a");
    ui.onYield = [&](int n) {
        if (n == 1) form->QueryClose();
    };
    start.Press();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(currentKey.caption, "Scan finished");
}

TEST_F(ScanFixture, ScanAgainStartsAfresh) {
    reg.SetString(kHkcu, "S", "v", "C:\\gone.exe");
    start.Press();
    repair.Press();
    ASSERT_EQ(repairCount.caption, "1");
    reg.SetString(kHkcu, "S", "w", "C:\\gone2.exe");
    start.Press();
    EXPECT_EQ(repairCount.caption, "0");
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(Row(1)[2], "S\\w");
    EXPECT_EQ(status.caption, "1");
}

TEST_F(ScanFixture, TheKeyLabelIsThrottled) {
    for (int i = 0; i < 10; ++i) reg.AddKey(kHkcu, "T\\k" + std::to_string(i));
    ui.clock = 50000.0;
    ui.clockStep = 0.04;
    start.Press();
    // Ten keys 0.04 s apart: a change at most every 0.1 s (plus the end text).
    EXPECT_GE(currentKey.changes, 4);
    EXPECT_LE(currentKey.changes, 6);
}

// A screen reader hears the count as the walk finds rows, at most once a
// second; a count held back is said once its second is over, with no
// further row; at the end the outcome and the final count.
TEST_F(ScanFixture, TheCountIsAnnouncedAtMostOnceASecondAndAtTheEnd) {
    struct Case {
        const char* what;
        int withRows, withoutRows;  // keys, 0.3 s apart
    } cases[] = {{"a row at every key", 12, 0}, {"three rows, then nothing", 3, 9}, {"no rows", 0, 5}};
    for (const Case& c : cases) {
        SetUp();
        reg = fakes::MemoryRegistry();
        for (int i = 0; i < c.withRows + c.withoutRows; ++i)
            reg.SetString(kHkcu, "S\\K" + std::to_string(10 + i), "v", i < c.withRows ? "C:\\gone.exe" : "none");
        status.announced.clear();
        currentKey.announced.clear();
        ui.notified.clear();
        std::vector<double> times;
        status.onAnnounce = [&] { times.push_back(ui.clock); };
        ui.clockStep = 0;
        ui.onYield = [&](int n) { ui.clock = 50000.0 + 0.3 * n; };
        start.Press();
        ui.onYield = nullptr;
        status.onAnnounce = nullptr;
        const std::string count = std::to_string(c.withRows);
        ASSERT_FALSE(status.announced.empty()) << c.what;
        EXPECT_EQ(status.announced.back(), count) << c.what << ": the final count, at the end";
        for (size_t i = 1; i + 1 < times.size(); ++i)
            EXPECT_GE(times[i] - times[i - 1], 1.0) << c.what << ": announcement " << i;
        if (c.withRows >= 3) EXPECT_GE(status.announced.size(), 3u) << c.what << ": said during the walk as well";
        if (c.withRows > 0 && c.withoutRows > 3)
            EXPECT_EQ(status.announced[status.announced.size() - 2], count) << c.what << ": said before the end";
        EXPECT_EQ(currentKey.announced, Texts{"Scan finished"}) << c.what << ": never a key";
        EXPECT_EQ(ui.notified, Texts{"Scan finished, " + count + " errors"}) << c.what;
    }
}

TEST_F(ScanFixture, StopAndRepairAreAnnounced) {
    for (int i = 0; i < 4; ++i) reg.SetString(kHkcu, "S\\K" + std::to_string(i), "v", "C:\\gone.exe");
    ui.onYield = [&](int) {
        if (list.RowCount() == 2) stop.Press();
    };
    start.Press();
    ui.onYield = nullptr;
    EXPECT_EQ(currentKey.announced, Texts{"Scan is stopped by user."});
    EXPECT_EQ(status.announced.back(), "2");
    SetBackup("0");
    repair.Press();
    EXPECT_EQ(repairCount.announced, Texts{"2"});
    EXPECT_EQ(ui.notified, (Texts{"Scan is stopped by user. 2 errors", "2 errors has repaired."}));
}

TEST_F(ScanFixture, CountsAreNotSixteenBit) {
    for (int i = 0; i < 33000; ++i) reg.SetString(kHkcu, "Big", "v" + std::to_string(i), "C:\\gone\\x.dll");
    start.Press();
    EXPECT_EQ(list.RowCount(), 33000);
    EXPECT_EQ(status.caption, "33000");
}

TEST_F(ScanFixture, ScanPressedWhileAStoppedWalkUnwindsStartsNothingUnderIt) {
    // Stop comes at the third row; Scan is pressed in one of Stop's own two
    // yields, or at the walk's first yield after Stop.
    struct Case {
        const char* when;
        int afterStop;
    } cases[] = {{"Stop's first yield", 1}, {"Stop's second yield", 2}, {"the walk's next yield", 3}};
    for (const Case& c : cases) {
        SetUp();
        profile.values.clear();
        for (int i = 0; i < 6; ++i) reg.SetString(kHkcu, "S\\K" + std::to_string(i), "v", "C:\\gone" + std::to_string(i) + ".exe");
        int stoppedAt = 0;
        ui.onYield = [&](int n) {
            EXPECT_TRUE(form->Scanning()) << c.when << ": the walk is on the stack at every yield";
            if (stoppedAt == 0 && list.RowCount() == 3) {
                stoppedAt = n;
                stop.Press();
            } else if (stoppedAt != 0 && n == stoppedAt + c.afterStop) {
                start.Press();
            }
        };
        start.Press();
        ui.onYield = nullptr;
        EXPECT_EQ(currentKey.caption, "Scan is stopped by user.") << c.when;
        ASSERT_EQ(list.RowCount(), 3) << c.when;
        EXPECT_EQ(Row(1)[2], "S\\K0\\v") << c.when << ": the rows of the stopped scan stay";
        EXPECT_EQ(Record("ErrorCount"), "3") << c.when;
        EXPECT_TRUE(start.enabled) << c.when;
        EXPECT_FALSE(stop.enabled) << c.when;
        EXPECT_FALSE(form->Scanning()) << c.when;

        start.Press();  // now a whole new scan
        EXPECT_EQ(currentKey.caption, "Scan finished") << c.when;
        EXPECT_EQ(list.RowCount(), 6) << c.when;
    }
}

TEST_F(ScanFixture, TheKeyLabelGoesOnAfterMidnight) {
    for (int i = 0; i < 10; ++i) reg.AddKey(kHkcu, "T\\k" + std::to_string(i));
    ui.clock = 86399.95;
    start.Press();
    // Past midnight, the same run: the clock reads a few seconds again.
    ui.clock = 5.0;
    ui.clockStep = 0.2;
    currentKey.changes = 0;
    start.Press();
    EXPECT_GE(currentKey.changes, 10) << "every key shown (0.2 s apart), then the end text";
}

TEST_F(ScanFixture, AValueIsAnErrorOnlyWhenNoReadingOfItsPathExists) {
    struct Case {
        const char* text;
        const char* existing;  // nullptr: no file
        bool listed;
    } cases[] = {
        {"\"C:\\Program Files\\Amazon.com Services\\app.exe\" -x", "C:\\Program Files\\Amazon.com Services\\app.exe", false},
        {"\"C:\\Program Files\\Amazon.com Services\\app.exe\" -x", nullptr, true},
        {"C:\\Tools\\a.com x\\b.dll,2", "C:\\Tools\\a.com x\\b.dll", false},
        {"C:\\Tools\\a.com x\\b.dll,2", "C:\\Tools\\a.com", false},
        {"C:\\Tools\\a.com x\\b.dll,2", nullptr, true},
        {"C:\\Program Files\\My.Company\\tool.exe", "C:\\Program Files\\My.Company\\tool.exe", false},
        {"C:\\Program Files\\My.Company\\tool.exe", nullptr, true},
        {"C:\\Windows\\notepad.exe %1", "C:\\Windows\\notepad.exe", false},
        {"C:\\Windows\\notepad.exe %1", nullptr, true},
        {"C:\\Docs\\readme.txt;C:\\Docs\\b.exe", nullptr, false},  // the cut path is no program
        {"C:\\Windows\\Sysnative\\notepad.exe", "C:\\windows\\system32\\notepad.exe", false},
        {"C:\\Windows\\Sysnative\\notepad.exe", nullptr, true},
        {"Could not start C:\\App\\gone.exe.", nullptr, true},
        {"Could not start C:\\App\\here.exe.", "C:\\App\\here.exe", false},
        {"C:\\App\\app.exe.config", nullptr, false},
        {"\"C:\\Program Files (x86)\\App\\app.exe\" /min", "C:\\Program Files (x86)\\App\\app.exe", false},
        {"\"C:\\Program Files (x86)\\App\\app.exe\" /min", nullptr, true},
        {"C:\\Program Files (x86)\\App (2)\\a.dll,Entry", nullptr, true},
        {"C:\\Program Files (x86)\\App\\readme.txt", nullptr, false},
    };
    for (const Case& c : cases) {
        SetUp();
        files = fakes::MemoryFileSystem();
        if (c.existing) files.AddFile(c.existing);
        reg.SetString(kHkcu, "S", "v", c.text);
        start.Press();
        EXPECT_EQ(list.RowCount(), c.listed ? 1 : 0) << c.text << (c.existing ? " with " : " without ") << "the file";
    }
}

// A multi-string is removed whole: it is listed only when every string of
// it that could name a file names a missing file on the system drive.
TEST_F(ScanFixture, AMultiStringThatMayNameAFileThatIsThereIsKept) {
    struct Case {
        std::vector<std::string> strings;
        bool listed;
    } cases[] = {
        {{"C:\\Gone\\a.exe", "C:\\windows\\notepad.exe"}, false},
        {{"C:\\Gone\\a.exe", "\"C:\\WINDOWS\\NOTEPAD.EXE\" /x"}, false},
        {{"C:\\Gone\\a.exe", "C:\\Gone\\b.dll"}, true},
        {{"C:\\Gone\\a.exe", "", "second", "{0000-GUID}", "100%", "\"%1\""}, true},  // no file named
        {{"C:\\Gone\\a.exe", "C:\\windows"}, false},                      // a folder that is there
        {{"C:\\Gone\\a.exe", "C:\\Locked\\d.dll"}, false},                // the system cannot tell
        // Files that may be there, wherever they are looked for.
        {{"C:\\Gone\\a.exe", "D:\\Tools\\there.exe"}, false},            // another drive
        {{"C:\\Gone\\a.exe", "\"d:\\Tools\\gone.exe\" /x"}, false},
        {{"C:\\Gone\\a.exe", "\\\\server\\share\\c.dll"}, false},     // the network
        {{"C:\\Gone\\a.exe", "%SystemRoot%\\system32\\notepad.exe"}, false},
        {{"C:\\Gone\\a.exe", "%ProgramFiles(x86)%\\App"}, false},
        {{"C:\\Gone\\a.exe", "notepad.exe"}, false},                       // along the search path
        {{"C:\\Gone\\a.exe", "rundll32 shell32.dll,Control_RunDLL"}, false},
        {{"%SystemRoot%\\gone.exe C:\\Gone\\a.exe", "C:\\Gone\\b.dll"}, false},
        {{"C:\\Gone\\a.exe", "readme.txt"}, true},                         // no listed extension
        {{"C:\\Gone\\a.exe", "HKLM:\\Software"}, true},                  // no drive
    };
    for (const Case& c : cases) {
        SetUp();
        files = AskedFileSystem();
        files.AddFile("C:\\windows\\notepad.exe");
        files.AddUnanswerable("C:\\Locked\\d.dll");
        std::string text;
        for (const std::string& string : c.strings) text += string + '\0';
        const std::vector<std::uint8_t> data = fakes::StringData(text);  // with the list's closing NUL
        reg.SetValue(kHkcu, "S", "multi", platform::kRegMultiSz, data);
        // The same list as a name's data: the value would go with its name.
        reg.SetValue(kHkcu, "S", "C:\\Gone\\name.exe", platform::kRegMultiSz, data);
        start.Press();
        EXPECT_EQ(list.RowCount(), c.listed ? 3 : 0) << c.strings[1];
        bool shown = false;  // the Value column shows the first string
        for (int row = 1; row <= list.RowCount(); ++row) shown = shown || (Row(row)[2] == "S\\multi" && Row(row)[3] == c.strings[0]);
        EXPECT_EQ(shown, c.listed) << c.strings[1];
    }
}

// A scan asks the file system about each path once, in the value's own
// spelling; the next scan asks afresh.
TEST_F(ScanFixture, AScanAsksAboutEachPathOnceAsWritten) {
    files.AddFile("c:\\Windows\\notepad.exe");
    for (const char* key : {"S\\A", "S\\B", "S\\C"}) {
        reg.SetString(kHkcu, key, "open", "\"C:\\Gone\\App.exe\" /run");
        reg.SetString(kHkcu, key, "edit", "c:\\Windows\\notepad.exe %1");
    }
    start.Press();
    EXPECT_EQ(files.asked, (Texts{"C:\\Gone\\App.exe", "c:\\Windows\\notepad.exe"}));
    EXPECT_EQ(list.RowCount(), 3) << "every value naming the missing file is listed";

    files.asked.clear();
    files.AddFile("C:\\Gone\\App.exe");
    start.Press();
    EXPECT_EQ(files.asked.size(), 2u);
    EXPECT_EQ(list.RowCount(), 0);
}

// The start timer may fall due while a scan begun with Scan is walking: it
// must not start another walk inside that one.
TEST_F(ScanFixture, TheStartTimerNeverStartsAScanInsideAnother) {
    for (int i = 0; i < 4; ++i) reg.SetString(kHkcu, "S\\K" + std::to_string(i), "v", "C:\\gone" + std::to_string(i) + ".exe");
    ASSERT_TRUE(timer.enabled);
    ui.onYield = [&](int n) {
        if (n == 3) timer.Tick();  // a tick already on its way
        if (n == 4) timer.Fire();
    };
    start.Press();
    ui.onYield = nullptr;
    EXPECT_EQ(currentKey.caption, "Scan finished");
    EXPECT_EQ(list.RowCount(), 4) << "one whole walk, not one restarted inside it";
    EXPECT_FALSE(timer.enabled) << "the automatic scan is no longer due";
    EXPECT_TRUE(start.enabled);
}

// One value naming a missing file in each category's place, in the walk's
// order of roots (name order below each).
struct CategorySeed {
    engine::Category category;
    platform::RegHandle root;
    std::string key, name, data;
};

std::vector<CategorySeed> SeedEveryCategory(fakes::MemoryRegistry& reg) {
    using engine::Category;
    const platform::RegHandle hkcr = platform::kHkeyClassesRoot, hkcu = platform::kHkeyCurrentUser,
                              hklm = platform::kHkeyLocalMachine;
    const std::string cv = "Software\\Microsoft\\Windows\\CurrentVersion";
    const std::vector<CategorySeed> seeds = {
        {Category::FileExtensions, hkcr, ".gone\\ShellNew", "Command", "C:\\gone\\new.exe"},
        {Category::ActivexOleCom, hkcr, "CLSID\\{1}\\InprocServer32", "", "C:\\gone\\com.dll"},
        {Category::FileAssociations, hkcr, "gonefile\\shell\\open\\command", "", "\"C:\\gone\\open.exe\" \"%1\""},
        {Category::SoundsAndAppEvents, hkcu, "AppEvents\\Schemes\\Apps\\App\\Ding\\.Current", "", "C:\\gone\\ding.exe"},
        {Category::FilesAndFolders, hkcu, "Environment", "Tool", "C:\\gone\\env.exe"},
        {Category::MruAndHistoryLists, hkcu, cv + "\\Explorer\\RunMRU", "a", "C:\\gone\\mru.exe\\1"},
        {Category::StartupPrograms, hkcu, cv + "\\Run", "App", "C:\\gone\\run.exe /min"},
        {Category::SystemSoftwareSettings, hkcu, "Software\\Vendor", "Path", "C:\\gone\\vendor.exe"},
        {Category::ApplicationPaths, hklm, cv + "\\App Paths\\app.exe", "", "C:\\gone\\app.exe"},
        {Category::SharedPrograms, hklm, cv + "\\SharedDLLs", "Lib", "C:\\gone\\shared.dll"},
        {Category::ObsoleteSoftware, hklm, cv + "\\Uninstall\\App", "DisplayIcon", "C:\\gone\\setup.exe,0"},
        {Category::WindowsFonts, hklm, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Gone", "C:\\gone\\font.drv"},
        {Category::SystemServices, hklm, "System\\CurrentControlSet\\Services\\GoneSvc", "ImagePath", "C:\\gone\\svc.exe"},
    };
    for (const CategorySeed& s : seeds) reg.SetString(s.root, s.key, s.name, s.data);
    const std::string svc = "System\\CurrentControlSet\\Services\\GoneSvc";
    reg.SetValue(hklm, svc, "Type", platform::kRegDword, {16, 0, 0, 0});
    reg.SetValue(hklm, svc, "Start", platform::kRegDword, {3, 0, 0, 0});
    return seeds;
}

// With every box ticked each value is listed, under its category; a box
// unticked leaves out its own value and no other.
TEST_F(ScanFixture, AnUntickedCategoryIsNotListed) {
    const std::vector<CategorySeed> seeds = SeedEveryCategory(reg);
    start.Press();
    ASSERT_EQ(list.RowCount(), static_cast<int>(seeds.size()));
    for (int row = 1; row <= list.RowCount(); ++row) {
        const CategorySeed& s = seeds[row - 1];
        EXPECT_EQ(Row(row)[2], s.key + "\\" + s.name) << row;
        EXPECT_EQ(Row(row)[5], engine::CategoryCaption(s.category)) << s.key;
        EXPECT_EQ(form->Findings()[row - 1].category, s.category) << s.key;
    }

    for (const engine::Category unticked : engine::AllCategories()) {
        engine::CategorySet ticked = engine::AllCategories();
        ticked.erase(unticked);
        OpenWindow(ticked);
        start.Press();
        Texts expected, listed;
        for (const CategorySeed& s : seeds)
            if (s.category != unticked) expected.push_back(s.key + "\\" + s.name);
        for (int row = 1; row <= list.RowCount(); ++row) listed.push_back(Row(row)[2]);
        EXPECT_EQ(listed, expected) << engine::CategoryCaption(unticked);
        EXPECT_EQ(status.caption, std::to_string(expected.size())) << engine::CategoryCaption(unticked);
    }
}

// What is not listed is neither counted, nor backed up, nor removed.
TEST_F(ScanFixture, AnUntickedCategoryIsNeitherCountedNorBackedUpNorRemoved) {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    reg.SetString(kHkcu, run, "Startup", "C:\\gone\\run.exe");
    reg.SetString(kHkcu, "Software\\Vendor", "Path", "C:\\gone\\vendor.exe");
    OpenWindow({engine::Category::SystemSoftwareSettings});
    ui.onYield = [&](int) {
        if (list.RowCount() == 1) stop.Press();
    };
    start.Press();
    ui.onYield = nullptr;
    EXPECT_EQ(Record("ErrorCount"), "1");
    start.Press();
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(status.caption, "1");
    repair.Press();
    const std::vector<std::string> backups = files.FilesIn(files.appFolder + "\\RegBackups");
    ASSERT_EQ(backups.size(), 1u);
    const std::string backup = files.Contents(files.appFolder + "\\RegBackups\\" + backups[0]);
    EXPECT_NE(backup.find("vendor.exe"), std::string::npos);
    EXPECT_EQ(backup.find("run.exe"), std::string::npos) << backup;
    EXPECT_FALSE(reg.ValueExists(kHkcu, "Software\\Vendor", "Path"));
    EXPECT_TRUE(reg.ValueExists(kHkcu, run, "Startup"));
    EXPECT_EQ(repairCount.caption, "1");
}

// The places Windows needs are never listed, whatever the boxes say; a
// service that is no driver and starts on demand is.
TEST_F(ScanFixture, PlacesWindowsNeedsAreNeverListed) {
    const platform::RegHandle hklm = platform::kHkeyLocalMachine;
    auto number = [&](const std::string& key, const char* name, std::uint8_t n) {
        reg.SetValue(hklm, key, name, platform::kRegDword, {n, 0, 0, 0});
    };
    reg.SetString(hklm, "System\\CurrentControlSet\\Control\\Session Manager\\Memory Management", "PagingFiles",
                  "C:\\pagefile.sys 0 0");
    const std::string driver = "System\\CurrentControlSet\\Services\\GoneDriver";
    reg.SetString(hklm, driver, "ImagePath", "C:\\windows\\system32\\drivers\\gone.sys");
    number(driver, "Type", 1);
    number(driver, "Start", 3);
    const std::string boot = "System\\CurrentControlSet\\Services\\GoneBoot";
    reg.SetString(hklm, boot + "\\Parameters", "ServiceDll", "C:\\windows\\system32\\goneboot.dll");
    number(boot, "Type", 32);
    number(boot, "Start", 1);
    const std::string onDemand = "System\\CurrentControlSet\\Services\\GoneOnDemand";
    reg.SetString(hklm, onDemand + "\\Parameters", "ServiceDll", "C:\\windows\\system32\\gonedemand.dll");
    number(onDemand, "Type", 32);
    number(onDemand, "Start", 3);
    reg.SetString(hklm, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell", "C:\\gone\\shell.exe");
    reg.SetString(platform::kHkeyClassesRoot, "Installer\\Products\\1", "ProductIcon", "C:\\gone\\icon.exe");
    reg.SetString(kHkcu, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.gone\\UserChoice",
                  "Progid", "C:\\gone\\choice.exe");
    OpenWindow(engine::AllCategories());
    start.Press();
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(Row(1)[2], onDemand + "\\Parameters\\ServiceDll");
    EXPECT_EQ(Row(1)[5], "System services");
    EXPECT_EQ(reg.OpenHandles(), 0);
}

// A reading the system cannot answer for (access denied, device not ready)
// keeps the value, even beside a reading that is missing; the answer is
// kept for the scan as the others are.
TEST_F(ScanFixture, AFileTheSystemCannotAnswerForIsNotMissing) {
    files.wow64Directory = "C:\\windows\\SysWOW64";
    files.AddUnanswerable("C:\\Users\\Other\\app.exe");
    files.AddUnanswerable("C:\\Tools\\a.com");
    files.AddUnanswerable("C:\\windows\\SysWOW64\\locked.dll");
    reg.SetString(kHkcu, "S\\A", "v", "\"C:\\Users\\Other\\app.exe\" /x");
    reg.SetString(kHkcu, "S\\B", "v", "C:\\Users\\Other\\app.exe");
    reg.SetString(kHkcu, "S\\C", "v", "C:\\Tools\\a.com x\\b.dll,2");  // b.dll missing, a.com unanswered
    reg.SetString(kHkcu, "S\\D", "v", "C:\\windows\\system32\\locked.dll");  // missing, its 32-bit twin unanswered
    reg.SetString(kHkcu, "S\\E", "v", "C:\\Users\\Other\\gone.exe");
    OpenWindow(engine::AllCategories());
    start.Press();
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(Row(1)[2], "S\\E\\v");
    EXPECT_EQ(std::count(files.asked.begin(), files.asked.end(), "C:\\Users\\Other\\app.exe"), 1);
}
