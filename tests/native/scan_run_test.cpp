// Whole scans in the scan window, on the in-memory registry.
#include "ScanFixture.h"

using Texts = std::vector<std::string>;

TEST_F(ScanFixture, LoadingPreparesTheWindowAndTheTimerStartsOneScan) {
    EXPECT_EQ(list.columns, (Texts{"Error Type", "Root", "Key", "Value"}));
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
    EXPECT_EQ(Row(1), (Texts{"VALUE NAME", "HKEY_CURRENT_USER", "Software\\A\\C:\\gone\\name.dll", "C:\\gone\\data.exe /x"}));
    EXPECT_EQ(Row(2), (Texts{"VALUE VALUE", "HKEY_CURRENT_USER", "Software\\A\\C:\\gone\\name.dll", "C:\\gone\\data.exe /x"}));
    EXPECT_EQ(Row(3)[3], "c:\\Tools\\filter.ax");
    EXPECT_EQ(Row(4), (Texts{"VALUE VALUE", "HKEY_CURRENT_USER", "Software\\B\\", "C:\\gone\\default.ocx"}));
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

TEST_F(ScanFixture, CountsAreNotSixteenBit) {
    for (int i = 0; i < 33000; ++i) reg.SetString(kHkcu, "Big", "v" + std::to_string(i), "C:\\gone\\x.dll");
    start.Press();
    EXPECT_EQ(list.RowCount(), 33000);
    EXPECT_EQ(status.caption, "33000");
}
