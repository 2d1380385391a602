// The program's windows, driven by messages as a user's mouse and keyboard
// would drive them, over the real registry, profile, shell and files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <thread>

#include "win32/app_test_support.h"

namespace {

using namespace app_test;
using platform::MessageAnswer;
using shell::Page;
using ui_test::PumpUntil;

// A scratch key under HKCU\Software, removed with its tree.
struct ScratchKey {
    std::string path = "Software\\VarnholtApp" + std::to_string(::GetCurrentProcessId());
    ScratchKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path).c_str()); }
    ~ScratchKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path).c_str()); }
    void SetText(const std::string& name, const std::string& text) const {
        HKEY key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    nullptr),
                  ERROR_SUCCESS);
        const std::wstring data = Wide(text);
        ::RegSetValueExW(key, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
    bool Has(const std::string& name) const {
        return ::RegGetValueW(HKEY_CURRENT_USER, Wide(path).c_str(), Wide(name).c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }
};

// The rows the scan window's list shows under a key.
std::vector<std::string> RowsUnder(const platform::win32::Win32ListView& list, const std::string& keyPrefix) {
    std::vector<std::string> rows;
    for (int row = 1; row <= list.RowCount(); ++row)
        if (ui_test::ShownText(list.Handle(), row, 2).find(keyPrefix) == 0)
            rows.push_back(ui_test::ShownText(list.Handle(), row, 0) + " " + ui_test::ShownText(list.Handle(), row, 2));
    return rows;
}

// Only the findings under a key ticked, as the user would leave them.
void TickOnlyUnder(app::ScanWindow& scan, const std::string& keyPrefix) {
    for (int row = 1; row <= static_cast<int>(scan.Logic().Findings().size()); ++row)
        scan.Logic().SetTicked(row, scan.Logic().Findings()[row - 1].keyText.find(keyPrefix) == 0);
    scan.ListNamed("lvwRegErrors").RowsChanged();
}

// A key pressed and released on the real keyboard (with Shift held, when
// asked): it goes to whatever has the focus, through the system's input.
void PressKey(WORD key, bool shift = false) {
    std::vector<INPUT> input;
    auto add = [&](WORD k, DWORD flags) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.dwFlags = flags;
        input.push_back(i);
    };
    if (shift) add(VK_SHIFT, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    ::SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    const COLORREF colour = ::GetPixel(dc, x, y);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return colour;
}

struct AppWindows : ::testing::Test {
    void SetUp() override { ::SetCursorPos(2000, 2000); }  // the real pointer stays off the windows
};

TEST_F(AppWindows, StartShowsTheHomePageBuiltFromItsLayout) {
    AppRig rig;
    rig.App().Start();
    Flush();
    ASSERT_NE(rig.Page(), nullptr);
    ASSERT_EQ(rig.Page()->Page(), Page::Scanner);
    const HWND window = rig.Page()->Handle();
    EXPECT_TRUE(::IsWindowVisible(window));
    wchar_t title[64] = {};
    ::GetWindowTextW(window, title, 64);
    EXPECT_EQ(Utf8(title), "Varnholt 2012");
    RECT client{}, outer{};
    ::GetClientRect(window, &client);
    ::GetWindowRect(window, &outer);
    EXPECT_EQ(client.right, 786);
    EXPECT_EQ(client.bottom, 557);
    EXPECT_EQ(outer.right - outer.left, 786) << "no border";

    auto& page = *rig.Page();
    for (int i = 1; i <= 15; ++i) EXPECT_EQ(page.CheckNamed("Check" + std::to_string(i)).Value(), 1) << i;
    // The hidden box is live, first in the focus order, and out of sight.
    EXPECT_EQ(page.FirstFocus(), page.CheckNamed("Check6").Handle());
    RECT hidden{};
    ::GetWindowRect(page.CheckNamed("Check6").Handle(), &hidden);
    EXPECT_GE(hidden.left, outer.right);
    EXPECT_EQ(page.PictureNamed("ImageScanner").Shown(), shell::kPressed);
    EXPECT_EQ(page.PictureNamed("ImageRecords").Shown(), shell::kNormal);
}

TEST_F(AppWindows, ScanGateNeedsOneTickedBoxAndTheHiddenOneCounts) {
    AppRig rig;
    rig.App().Start();
    auto& page = *rig.Page();
    int opened = 0;
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) {
        ++opened;
        EXPECT_FALSE(::IsWindowEnabled(page.Handle())) << "modal over the home page";
        RECT a{}, b{};
        ::GetWindowRect(scan.Handle(), &a);
        ::GetWindowRect(page.Handle(), &b);
        EXPECT_TRUE(::EqualRect(&a, &b)) << "centred on the home page, which it covers";
        ::PostMessageW(scan.Handle(), WM_CLOSE, 0, 0);  // closes once the automatic scan is over
    };
    for (int i = 1; i <= 15; ++i)
        if (i != 6) page.CheckNamed("Check" + std::to_string(i)).SetValue(0);
    ClickButton(page, "CommandScanNow");
    ASSERT_TRUE(PumpUntil([&] { return opened == 1 && !rig.App().OpenScanWindow(); }, 60000));
    EXPECT_TRUE(::IsWindowEnabled(page.Handle()));
    EXPECT_EQ(page.CheckNamed("Check1").Value(), 0) << "the boxes stay as they were";

    // The space bar on the focused hidden box clears it too: now nothing opens.
    ::SetForegroundWindow(page.Handle());
    ::SetFocus(page.CheckNamed("Check6").Handle());
    ::PostMessageW(page.CheckNamed("Check6").Handle(), WM_KEYDOWN, VK_SPACE, 0);
    ::PostMessageW(page.CheckNamed("Check6").Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
    ASSERT_TRUE(PumpUntil([&] { return page.CheckNamed("Check6").Value() == 0; }));
    ClickButton(page, "CommandScanNow");
    ASSERT_TRUE(PumpUntil([&] { return !rig.ui.messages.empty(); }));
    EXPECT_EQ(rig.ui.Texts(), std::vector<std::string>{"Your must select on item at least."});
    EXPECT_EQ(opened, 1);

    // "Select All" ticks all fifteen again, the hidden one included.
    ClickLabel(page, "LabelSelectAll");
    ASSERT_TRUE(PumpUntil([&] { return page.CheckNamed("Check6").Value() == 1; }));
    for (int i = 1; i <= 15; ++i) EXPECT_EQ(page.CheckNamed("Check" + std::to_string(i)).Value(), 1) << i;
}

TEST_F(AppWindows, NavigationReplacesThePageInPlaceAndClosingTheLastPageEnds) {
    AppRig rig;
    rig.files.WriteFile("\\ro.ini", "[Settings]\r\nBackupBeforeFix=1\r\n[Records]\r\nLastScanTime=1/2/2026 3:04:05 "
                                    "AM\r\nErrorCount=7\r\nFixedCount=5\r\n");
    rig.App().Start();
    ::SetWindowPos(rig.Page()->Handle(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    struct Step {
        const char* image;
        Page page;
    };
    const Step steps[] = {{"ImageRecords", Page::Records},
                          {"ImageRestore", Page::RestoreAndBackup},
                          {"ImageSettings", Page::Settings},
                          {"ImageScanner", Page::Scanner}};
    for (const Step& step : steps) {
        const HWND before = rig.Page()->Handle();
        ClickPicture(*rig.Page(), step.image);
        ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == step.page; })) << step.image;
        Flush();
        EXPECT_FALSE(::IsWindow(before)) << "the page left is destroyed";
        RECT r{};
        ::GetWindowRect(rig.Page()->Handle(), &r);
        EXPECT_EQ(r.left, 40) << step.image;
        EXPECT_EQ(r.top, 30) << step.image;
        EXPECT_EQ(rig.Page()->PictureNamed(step.image).Shown(), shell::kPressed);
        if (step.page == Page::Records) {
            EXPECT_EQ(rig.Page()->LabelNamed("LabelLastScanTime").Caption(), "1/2/2026 3:04:05 AM");
            EXPECT_EQ(rig.Page()->LabelNamed("LabelErrorCount").Caption(), "7");
            EXPECT_EQ(rig.Page()->LabelNamed("LabelFixedCount").Caption(), "5");
        }
        if (step.page == Page::Settings) {
            // The stored setting shows; clearing it and pressing Apply stores 0.
            auto& box = rig.Page()->CheckNamed("CheckBackupBeforeFix");
            EXPECT_EQ(box.Value(), 1);
            ::SendMessageW(box.Handle(), BM_CLICK, 0, 0);
            EXPECT_EQ(box.Value(), 0);
            // Expandable strings: off until ticked, applied with it.
            auto& expandable = rig.Page()->CheckNamed("CheckExpandable");
            EXPECT_EQ(expandable.Value(), 0);
            ::SendMessageW(expandable.Handle(), BM_CLICK, 0, 0);
            ClickButton(*rig.Page(), "CommandApplySettings");
            ASSERT_TRUE(PumpUntil([&] { return ReadProfile(rig.files.Profile(), "Settings", "BackupBeforeFix") == "0"; }));
            EXPECT_EQ(ReadProfile(rig.files.Profile(), "Settings", "CheckExpandable"), "1");
        }
    }
    // Pressing the open page's own image does nothing.
    const HWND home = rig.Page()->Handle();
    ClickPicture(*rig.Page(), "ImageScanner");
    Flush();
    EXPECT_EQ(rig.Page()->Handle(), home);

    // Closing the one open page, with the right button even, ends the program.
    EXPECT_FALSE(rig.ended);
    ClickPicture(*rig.Page(), "ImageExit", 2);
    ASSERT_TRUE(PumpUntil([&] { return rig.ended; }));
    EXPECT_EQ(rig.Page(), nullptr);
    EXPECT_FALSE(::IsWindow(home));
}

TEST_F(AppWindows, AMissingOrBrokenBackgroundIsReportedByNameAndEndsTheProgram) {
    struct Case {
        const char* name;
        const char* content;  // null: the file is missing
        const char* reason;
    };
    const Case cases[] = {{"missing", nullptr, "File not found:"}, {"not a picture", "REGEDIT4 not a picture", "Invalid picture:"}};
    for (const Case& c : cases) {
        AppRig rig(false);
        if (c.content) rig.files.WriteFile("\\bgmain.dll", c.content);
        rig.App().Start();
        EXPECT_TRUE(rig.ended) << c.name;
        EXPECT_EQ(rig.Page(), nullptr) << c.name;
        ASSERT_EQ(rig.ui.messages.size(), 1u) << c.name;
        EXPECT_EQ(rig.ui.messages[0].text, std::string(c.reason) + "\r\n" + rig.files.AppFolder() + "\\bgmain.dll");
        EXPECT_EQ(rig.ui.messages[0].style, platform::MessageStyle::Exclamation);
    }
}

TEST_F(AppWindows, ScanStopRepairRestoreAndDeleteOnTheRealRegistry) {
    ScratchKey scratch;
    platform::win32::Win32FileSystem realFiles;
    const std::string drive = realFiles.SystemDirectory().substr(0, 2);
    scratch.SetText("gone", "\"" + drive + "\\Varnholt Gone\\app.exe\" /run");
    scratch.SetText("also gone", drive + "\\Varnholt Gone\\lib.dll,1");
    scratch.SetText("present", realFiles.SystemDirectory() + "\\kernel32.dll");
    const std::string prefix = scratch.path;  // the key column holds the path below the root

    AppRig rig;
    rig.files.WriteFile("\\ro.ini", "[Settings]\r\nBackupBeforeFix=1\r\n");
    rig.App().Start();
    bool scanned = false;
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) {
        CloseAtEnd close{scan.Handle()};
        auto& list = scan.ListNamed("lvwRegErrors");
        auto& currentKey = scan.LabelNamed("lblCurrentKey");
        // Inside the walk that the timer starts: closing is refused, then Stop.
        rig.ui.onYield = [&](int yield) {
            if (yield == 5) {
                ClickButton(scan, "CommandReturn");
                ClickPicture(scan, "ImageExit");
            }
            if (yield == 50) ClickButton(scan, "CommandStop");
        };
        ASSERT_TRUE(PumpUntil([&] { return currentKey.Caption() == "Scan is stopped by user."; }, 60000));
        rig.ui.onYield = nullptr;
        EXPECT_EQ(rig.ui.Texts(), (std::vector<std::string>{"Now scanning,can not exit.", "Now scanning,can not exit."}));
        rig.ui.messages.clear();
        EXPECT_FALSE(scan.Closed());
        // Stop writes the records.
        EXPECT_EQ(ReadProfile(rig.files.Profile(), "Records", "ErrorCount"), scan.LabelNamed("lblStatus").Caption());
        EXPECT_NE(ReadProfile(rig.files.Profile(), "Records", "LastScanTime"), "");

        // A whole scan finds the seeded values, and only those of ours.
        ClickButton(scan, "CommandStart");
        ASSERT_TRUE(PumpUntil([&] { return currentKey.Caption() == "Scan finished"; }, 120000));
        // In the registry's own order, which is not ours to fix.
        auto found = RowsUnder(list, prefix);
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, (std::vector<std::string>{"VALUE VALUE " + prefix + "\\also gone", "VALUE VALUE " + prefix + "\\gone"}));
        EXPECT_EQ(scan.LabelNamed("lblStatus").Caption(), std::to_string(list.RowCount()));

        // Repair only our rows: the backup is written and announced, then the values go.
        TickOnlyUnder(scan, prefix);
        ClickButton(scan, "CommandRepair");
        ASSERT_TRUE(PumpUntil([&] { return rig.ui.messages.size() == 2; }));
        EXPECT_EQ(rig.ui.messages[0].text.rfind("Backup file:" + rig.files.AppFolder() + "\\RegBackups\\Backup (", 0), 0u);
        EXPECT_EQ(rig.ui.messages[1].text, "2 errors has repaired.");
        EXPECT_EQ(scan.LabelNamed("RepairCount").Caption(), "2");
        EXPECT_FALSE(scratch.Has("gone"));
        EXPECT_FALSE(scratch.Has("also gone"));
        EXPECT_TRUE(scratch.Has("present"));
        EXPECT_EQ(ReadProfile(rig.files.Profile(), "Records", "FixedCount"), "2");
        scanned = true;
        ClickButton(scan, "CommandReturn");
    };
    ClickButton(*rig.Page(), "CommandScanNow");
    ASSERT_TRUE(PumpUntil([&] { return scanned && !rig.App().OpenScanWindow(); }, 240000));
    rig.ui.messages.clear();

    // The backup page lists the file, restores it and deletes it after Yes only.
    ClickPicture(*rig.Page(), "ImageRestore");
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == Page::RestoreAndBackup; }));
    auto& backups = rig.Page()->ListNamed("ListViewBackups");
    ASSERT_EQ(backups.RowCount(), 1);
    EXPECT_EQ(ui_test::ShownText(backups.Handle(), 1, 0), "1");
    EXPECT_EQ(ui_test::ShownText(backups.Handle(), 1, 1).rfind("Backup (", 0), 0u);
    EXPECT_EQ(backups.Selected(), 1);
    const std::string file = rig.files.AppFolder() + "\\RegBackups\\" + ui_test::ShownText(backups.Handle(), 1, 1);

    ClickButton(*rig.Page(), "CommandRestore");
    ASSERT_TRUE(PumpUntil([&] { return scratch.Has("gone") && scratch.Has("also gone"); }, 30000))
        << "the registry editor imports the backup";
    EXPECT_TRUE(rig.ui.messages.empty());

    rig.ui.answers = {MessageAnswer::No};
    ClickButton(*rig.Page(), "CommandDelete");
    ASSERT_TRUE(PumpUntil([&] { return rig.ui.messages.size() == 1; }));
    EXPECT_EQ(rig.ui.messages[0].text, "Make sure delete:" + file);
    EXPECT_EQ(realFiles.PathExists(file), 1);
    EXPECT_EQ(backups.RowCount(), 1);

    rig.ui.answers = {MessageAnswer::Yes};
    ClickButton(*rig.Page(), "CommandDelete");
    ASSERT_TRUE(PumpUntil([&] { return rig.ui.messages.size() == 2; }));
    Flush();
    EXPECT_EQ(realFiles.PathExists(file), 0);
    EXPECT_EQ(backups.RowCount(), 0);

    // The records page shows what the repair stored.
    ClickPicture(*rig.Page(), "ImageRecords");
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == Page::Records; }));
    EXPECT_EQ(rig.Page()->LabelNamed("LabelFixedCount").Caption(), "2");
}

TEST_F(AppWindows, AFolderNamedOutsideTheCodePageHoldsTheProfileTheBackupsAndThePictures) {
    ScratchKey scratch;
    platform::win32::Win32FileSystem realFiles;
    scratch.SetText("gone", realFiles.SystemDirectory().substr(0, 2) + "\\Varnholt Gone\\app.exe");
    AppRig rig(true, "varnholt-\xC5\x81ukasz-\xE4\xB8\xAD");
    rig.files.WriteFile("\\ro.ini", "[Settings]\r\nBackupBeforeFix=1\r\n");
    rig.App().Start();
    ASSERT_NE(rig.Page(), nullptr);
    EXPECT_TRUE(rig.ui.messages.empty()) << "the pictures load from the folder";
    bool repaired = false;
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) {
        CloseAtEnd close{scan.Handle()};
        ASSERT_TRUE(PumpUntil([&] { return scan.LabelNamed("lblCurrentKey").Caption() == "Scan finished"; }, 120000));
        TickOnlyUnder(scan, scratch.path);
        ClickButton(scan, "CommandRepair");
        ASSERT_TRUE(PumpUntil([&] { return rig.ui.messages.size() == 2; }));
        EXPECT_EQ(rig.ui.messages[0].text.rfind("Backup file:" + rig.files.AppFolder() + "\\RegBackups\\Backup (", 0), 0u);
        EXPECT_EQ(rig.ui.messages[1].text, "1 errors has repaired.");
        EXPECT_EQ(ReadProfile(rig.files.Profile(), "Records", "FixedCount"), "1");
        repaired = true;
        ClickButton(scan, "CommandReturn");
    };
    ClickButton(*rig.Page(), "CommandScanNow");
    ASSERT_TRUE(PumpUntil([&] { return repaired && !rig.App().OpenScanWindow(); }, 240000));
    ClickPicture(*rig.Page(), "ImageRestore");
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == Page::RestoreAndBackup; }));
    EXPECT_EQ(rig.Page()->ListNamed("ListViewBackups").RowCount(), 1);
    EXPECT_EQ(rig.ui.messages.size(), 2u) << "no picture failed on the way";
}

TEST_F(AppWindows, TheSystemCloseWaitsForTheWalkToEnd) {
    AppRig rig;
    rig.App().Start();
    bool shown = false, closedDuringWalk = false, askedToClose = false;
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) {
        shown = true;
        rig.ui.onYield = [&](int yield) {
            if (yield == 3) {
                ::PostMessageW(scan.Handle(), WM_CLOSE, 0, 0);
                askedToClose = true;
            }
            if (yield > 3 && scan.Closed()) closedDuringWalk = true;
        };
    };
    ClickButton(*rig.Page(), "CommandScanNow");
    ASSERT_TRUE(PumpUntil([&] { return shown && !rig.App().OpenScanWindow(); }, 120000));
    rig.ui.onYield = nullptr;
    EXPECT_TRUE(::IsWindowEnabled(rig.Page()->Handle()));
    EXPECT_TRUE(askedToClose);
    EXPECT_FALSE(closedDuringWalk);
    EXPECT_EQ(rig.App().OpenScanWindow(), nullptr);
    EXPECT_TRUE(rig.ui.messages.empty()) << "the system's close asks nothing";
}

TEST_F(AppWindows, OfTwoOverlappingNavigationImagesTheOneListedFirstIsOnTopAndTakesThePress) {
    AppRig rig;
    rig.App().Start();
    ClickPicture(*rig.Page(), "ImageRecords");
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == Page::Records; }));
    auto& page = *rig.Page();
    const RECT scanner = page.PictureNamed("ImageScanner").Bounds(), restore = page.PictureNamed("ImageRestore").Bounds();
    ASSERT_LT(restore.top, scanner.bottom) << "the two share a row";
    const POINT shared{(scanner.left + scanner.right) / 2, restore.top};

    // The shared row shows the scanner image's last row.
    ::RedrawWindow(page.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = ::GetDC(page.Handle());
    const COLORREF shown = ::GetPixel(dc, shared.x, shared.y);
    ::ReleaseDC(page.Handle(), dc);
    using shell::layout::Art;
    const COLORREF onTop = PixelOf(app::FrameBitmap(Art::NavScanner, shell::kNormal), shared.x - scanner.left,
                                   shared.y - scanner.top);
    const COLORREF under = PixelOf(app::FrameBitmap(Art::NavRestore, shell::kNormal), shared.x - restore.left, 0);
    ASSERT_NE(onTop, under) << "the two pictures differ on that row";
    EXPECT_EQ(shown, onTop);

    PostPress(page.Handle(), shared);
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() != Page::Records; }));
    EXPECT_EQ(rig.Page()->Page(), Page::Scanner);
}

TEST_F(AppWindows, TheBackupPageListsOnlyNamesEndingInReg) {
    AppRig rig;
    ::CreateDirectoryW(Wide(rig.files.AppFolder() + "\\RegBackups").c_str(), nullptr);
    for (const char* name : {"a.reg.txt", "b.regx", "c.REG", "d.reg"})
        rig.files.WriteFile(std::string("\\RegBackups\\") + name, "REGEDIT4\r\n");
    rig.App().Start();
    ClickPicture(*rig.Page(), "ImageRestore");
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == Page::RestoreAndBackup; }));
    auto& list = rig.Page()->ListNamed("ListViewBackups");
    std::vector<std::string> names;
    for (int row = 1; row <= list.RowCount(); ++row) names.push_back(ui_test::ShownText(list.Handle(), row, 1));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"c.REG", "d.reg"}));
}

// Where a child window stands in its parent's client area.
RECT ChildRect(HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " - " + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// At 144 dots per inch every place and size is the layout's twips x 144 /
// 1440, a half pixel going to the even neighbour (so 255 twips, 25.5, make 26
// and 825 twips, 82.5, make 82).
TEST_F(AppWindows, MovedToAScreenAt144DpiEveryControlIsTheLayoutTimesOneAndAHalf) {
    AppRig rig;
    rig.App().Start();
    app::FormWindow& page = *rig.Page();
    struct Case {
        const char* name;
        enum Kind { Check, Button, List, Picture, Label } kind;
        RECT at;
    };
    auto rectOf = [](app::FormWindow& form, const Case& c) {
        switch (c.kind) {
        case Case::Check: return ChildRect(form.CheckNamed(c.name).Handle());
        case Case::Button: return ChildRect(form.ButtonNamed(c.name).Handle());
        case Case::List: return ChildRect(form.ListNamed(c.name).Handle());
        case Case::Picture: return form.PictureNamed(c.name).Bounds();
        case Case::Label: return form.LabelNamed(c.name).Bounds();
        }
        return RECT{};
    };
    auto check = [&](app::FormWindow& form, const std::vector<Case>& cases) {
        RECT client{}, outer{};
        ::GetClientRect(form.Handle(), &client);
        ::GetWindowRect(form.Handle(), &outer);
        EXPECT_EQ(Text(client), Text({0, 0, 1179, 836})) << form.Layout().name << ": 11790 x 8355 twips, 835.5 making 836";
        EXPECT_EQ(Text(outer), Text({0, 0, 1179, 836})) << form.Layout().name << ": no border, at the suggested place";
        EXPECT_EQ(form.Dpi(), 144);
        for (const Case& c : cases) EXPECT_EQ(Text(rectOf(form, c)), Text(c.at)) << form.Layout().name << " " << c.name;
    };

    {
        // Made here without showing it, so its scan never starts.
        app::ScanWindow scan(rig.App());
        scan.Create(nullptr);
        ASSERT_TRUE(MoveToDpi(scan, 144));
        check(scan, {
                        {"lvwRegErrors", Case::List, {24, 216, 1154, 694}},
                        {"CommandStart", Case::Button, {36, 720, 218, 770}},
                        {"CommandStop", Case::Button, {240, 720, 422, 770}},
                        {"CommandRepair", Case::Button, {624, 720, 854, 770}},
                        {"CommandReturn", Case::Button, {996, 720, 1142, 770}},
                        {"ImageCaption", Case::Picture, {48, 0, 1098, 38}},
                        {"ImageExit", Case::Picture, {1128, 9, 1170, 31}},
                        {"lblCurrentKey", Case::Label, {192, 168, 1136, 190}},
                    });
        // The button's text grows with it: 9 points at 96 dots per inch on its surface.
        EXPECT_EQ(scan.ButtonNamed("CommandStart").Control().Font().points, 13.5);
    }

    const RECT selectAll = page.LabelNamed("LabelSelectAll").Bounds();
    ASSERT_TRUE(MoveToDpi(page, 144));
    check(page, {
                    {"Check1", Case::Check, {384, 312, 686, 338}},
                    {"Check15", Case::Check, {720, 528, 1058, 554}},
                    {"Check6", Case::Check, {2000, 684, 2074, 710}},
                    {"CommandScanNow", Case::Button, {864, 564, 1046, 614}},
                    {"ImageCaption", Case::Picture, {48, 0, 1070, 38}},
                    {"ImageMin", Case::Picture, {1080, 9, 1122, 31}},
                    {"ImageRecords", Case::Picture, {11, 359, 309, 413}},
                    {"Image1", Case::Picture, {372, 648, 454, 730}},
                    {"Label1", Case::Label, {468, 648, 1070, 770}},
                });
    // A label sized to its text is measured again in the larger font.
    const RECT grown = page.LabelNamed("LabelSelectAll").Bounds();
    EXPECT_EQ(grown.left, 384);
    EXPECT_EQ(grown.top, 576);
    const double wider = double(grown.right - grown.left) / (selectAll.right - selectAll.left);
    const double taller = double(grown.bottom - grown.top) / (selectAll.bottom - selectAll.top);
    EXPECT_GT(wider, 1.3);
    EXPECT_LT(wider, 1.7);
    EXPECT_GT(taller, 1.3);
    EXPECT_LT(taller, 1.7);

    // The pictures drawn are those made for 150%, copied as they are, and the
    // background picture, made for 96 dots per inch, reaches the far corner.
    ::RedrawWindow(page.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const RECT records = page.PictureNamed("ImageRecords").Bounds();
    HDC dc = ::GetDC(page.Handle());
    for (const POINT p : {POINT{20, 20}, POINT{150, 27}, POINT{280, 50}})
        EXPECT_EQ(::GetPixel(dc, records.left + p.x, records.top + p.y),
                  PixelOf(app::FrameBitmap(shell::layout::Art::NavRecords, shell::kNormal, 144), p.x, p.y))
            << p.x << "," << p.y;
    const COLORREF corner = ::GetPixel(dc, 1178, 835);
    ::ReleaseDC(page.Handle(), dc);
    const app::Picture background = app::Picture::Load(BuiltPicture("bgmain.dll"));
    const COLORREF pictureCorner = PixelOf(background.Handle(), background.Size().cx - 1, background.Size().cy - 1);
    for (int shift : {0, 8, 16})
        EXPECT_NEAR((corner >> shift) & 0xFF, (pictureCorner >> shift) & 0xFF, 4) << "colour part at bit " << shift;

    // The frame's hit areas moved with the pictures: a press where the
    // records image now stands (below the whole navigation bar at 96 dots
    // per inch) opens that page.
    ClickPicture(page, "ImageRecords");
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == Page::Records; }));
}

// The last column reads whole at every density: a finding of the longest
// category early in the walk, a page and more of shorter ones after it, so
// that its row is out of view when the window moves to a denser screen and
// the list learns its font's margins again.
TEST_F(AppWindows, TheLastColumnShowsItsLongestTextInFullAtEveryDensity) {
    const std::wstring tag = L"VarnholtColumn" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring early = L"Software\\" + tag, late = tag;  // under HKLM, under HKEY_CURRENT_CONFIG
    const std::wstring gone = Wide(platform::win32::Win32FileSystem().SystemDirectory().substr(0, 2) + "\\Varnholt Gone\\c.exe");
    const auto bytes = static_cast<DWORD>((gone.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, early.c_str(), L"long", REG_SZ, gone.c_str(), bytes), ERROR_SUCCESS);
    for (int i = 0; i < 60; ++i)
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_CONFIG, late.c_str(), (L"short" + std::to_wstring(i)).c_str(), REG_SZ,
                                    gone.c_str(), bytes),
                  ERROR_SUCCESS);
    struct Removed {
        std::wstring early, late;
        ~Removed() {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, early.c_str());
            ::RegDeleteTreeW(HKEY_CURRENT_CONFIG, late.c_str());
        }
    } removed{early, late};

    AppRig rig;
    rig.App().Start();
    bool checked = false;
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) {
        CloseAtEnd close{scan.Handle()};
        auto& list = scan.ListNamed("lvwRegErrors");
        ASSERT_TRUE(PumpUntil([&] { return scan.LabelNamed("lblCurrentKey").Caption() == "Scan finished"; }, 120000));
        const HWND h = list.Handle();
        const int last = list.ColumnCount() - 1;
        ASSERT_EQ(last, 5);
        int longest = 0, longestWidth = 0;
        for (int row = 1; row <= list.RowCount(); ++row) {
            const int width = static_cast<int>(
                ::SendMessageW(h, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(Wide(ui_test::ShownText(h, row, last)).c_str())));
            if (width > longestWidth) longest = row, longestWidth = width;
        }
        ASSERT_EQ(ui_test::ShownText(h, longest, last), "System Software Settings");
        for (const int dpi : {144, 192, 96}) {
            // The list stands at its end, as the walk left it.
            list.EnsureVisible(list.RowCount());
            Flush();
            const int top = static_cast<int>(::SendMessageW(h, LVM_GETTOPINDEX, 0, 0)) + 1;
            ASSERT_GT(top, longest) << "the longest text is out of view";
            ASSERT_TRUE(MoveToDpi(scan, dpi));
            Flush();
            // Scrolled to its end, the column lies in the list's view, as
            // wide as the control's own fitting makes it with the row in view.
            ::SendMessageW(h, LVM_SCROLL, 100000, 0);
            RECT view{}, cell{};
            ::GetClientRect(h, &view);
            cell.top = last;
            cell.left = LVIR_BOUNDS;
            ::SendMessageW(h, LVM_GETSUBITEMRECT, longest - 1, reinterpret_cast<LPARAM>(&cell));
            EXPECT_LE(cell.right, view.right) << dpi;
            EXPECT_GE(cell.left, view.left) << dpi;
            const int fitted = list.ColumnWidth(last);
            list.EnsureVisible(longest);
            Flush();
            ::SendMessageW(h, LVM_SETCOLUMNWIDTH, last, LVSCW_AUTOSIZE);
            EXPECT_GE(fitted, list.ColumnWidth(last)) << dpi;
            list.AutoSizeColumns();
        }
        checked = true;
        ClickButton(scan, "CommandReturn");
    };
    ClickButton(*rig.Page(), "CommandScanNow");
    ASSERT_TRUE(PumpUntil([&] { return checked && !rig.App().OpenScanWindow(); }, 180000));
}

// Every frame picture is stored at 100%, 150% and 200%, each exactly the
// size its window gives it at 96, 144 and 192 dots per inch; a density in
// between takes the nearest of them, the larger between two.
TEST(Artwork, EachFramePictureAtEachScaleHasItsPlacesSize) {
    using namespace shell::layout;
    auto sizeOf = [](HBITMAP bitmap) {
        BITMAP info{};
        ::GetObjectW(bitmap, sizeof info, &info);
        return std::to_string(info.bmWidth) + "x" + std::to_string(info.bmHeight);
    };
    for (Form form : {Form::Scanner, Form::Repair})
        for (const PictureSpec& picture : LayoutOf(form).pictures)
            for (int index = 0; index < picture.images; ++index)
                for (int dpi : {96, 144, 192}) {
                    HBITMAP bitmap = app::FrameBitmap(picture.art, index, dpi);
                    ASSERT_NE(bitmap, nullptr) << picture.name << " " << index << " at " << dpi;
                    EXPECT_EQ(sizeOf(bitmap), std::to_string(Pixels(picture.at.width, dpi)) + "x" +
                                                  std::to_string(Pixels(picture.at.height, dpi)))
                        << picture.name << " " << index << " at " << dpi;
                }
    const struct {
        int dpi, made;
    } nearest[] = {{72, 96}, {110, 96}, {120, 144}, {168, 192}, {150, 144}, {240, 192}, {384, 192}};
    for (const auto& c : nearest)
        EXPECT_EQ(app::FrameBitmap(Art::NavSettings, shell::kHover, c.dpi), app::FrameBitmap(Art::NavSettings, shell::kHover, c.made))
            << c.dpi;
}

// Values naming missing files written into the prefix's real places, one
// in each category's and one in each place Windows needs; removed again at
// the end. Each is known in the list by its mark, "VhCat<process>-<nn>",
// which stands in its key path or value name.
struct SeededPlaces {
    struct Seed {
        std::string mark;
        HKEY root;
        std::string key, name;
        const char* category;  // null: a place Windows needs
        std::string made;      // the key made for it, removed with its tree; empty: only the value goes
    };
    std::vector<Seed> seeds;

    SeededPlaces() {
        const std::string cv = "Software\\Microsoft\\Windows\\CurrentVersion";
        const std::string services = "System\\CurrentControlSet\\Services\\";
        const std::string tag = "VhCat" + std::to_string(::GetCurrentProcessId()) + "-";
        const std::string m[] = {tag + "01", tag + "02", tag + "03", tag + "04", tag + "05", tag + "06", tag + "07",
                                 tag + "08", tag + "09", tag + "10", tag + "11", tag + "12", tag + "13", tag + "14",
                                 tag + "15", tag + "16", tag + "17", tag + "18", tag + "19"};
        seeds = {
            {m[0], HKEY_CLASSES_ROOT, "CLSID\\" + m[0] + "\\InprocServer32", "", "Activex,OLE,COM Entries", "CLSID\\" + m[0]},
            {m[1], HKEY_LOCAL_MACHINE, cv + "\\SharedDLLs", m[1], "Shared Programs", ""},
            {m[2], HKEY_CURRENT_USER, cv + "\\Run", m[2], "Startup Programs", ""},
            {m[3], HKEY_CURRENT_USER, "Software\\" + m[3], "Path", "System Software Settings", "Software\\" + m[3]},
            {m[4], HKEY_LOCAL_MACHINE, cv + "\\App Paths\\" + m[4] + ".exe", "", "Application Paths",
             cv + "\\App Paths\\" + m[4] + ".exe"},
            {m[5], HKEY_CLASSES_ROOT, m[5] + "file\\shell\\open\\command", "", "File Associations", m[5] + "file"},
            {m[6], HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\" + m[6] + "\\Ding\\.Current", "", "Sounds and App Events",
             "AppEvents\\Schemes\\Apps\\" + m[6]},
            {m[7], HKEY_CURRENT_USER, cv + "\\Explorer\\RunMRU", m[7], "MRU and History lists", ""},
            {m[8], HKEY_LOCAL_MACHINE, services + m[8], "ImagePath", "System services", services + m[8]},
            {m[9], HKEY_CLASSES_ROOT, "." + m[9] + "\\ShellNew", "Command", "File Extensions", "." + m[9]},
            {m[10], HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", m[10], "Windows Fonts", ""},
            {m[11], HKEY_CURRENT_USER, m[11], "Tool", "Files and Folsers", m[11]},
            {m[12], HKEY_LOCAL_MACHINE, cv + "\\Uninstall\\" + m[12], "DisplayIcon", "Obsolete Software", cv + "\\Uninstall\\" + m[12]},
            // The places Windows needs.
            {m[13], HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\" + m[13], "Path", nullptr,
             "System\\CurrentControlSet\\Control\\" + m[13]},
            {m[14], HKEY_LOCAL_MACHINE, services + m[14], "ImagePath", nullptr, services + m[14]},  // a driver
            {m[15], HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", m[15], nullptr, ""},
            {m[16], HKEY_CLASSES_ROOT, "Installer\\Products\\" + m[16], "ProductIcon", nullptr, "Installer\\Products\\" + m[16]},
            {m[17], HKEY_LOCAL_MACHINE, cv + "\\Installer\\" + m[17], "Path", nullptr, cv + "\\Installer\\" + m[17]},
            {m[18], HKEY_CURRENT_USER, cv + "\\Explorer\\FileExts\\." + m[18] + "\\UserChoice", "Progid", nullptr,
             cv + "\\Explorer\\FileExts\\." + m[18]},
        };
        Remove();
        const std::string drive = platform::win32::Win32FileSystem().SystemDirectory().substr(0, 2);
        for (const Seed& s : seeds) SetText(s.root, s.key, s.name, drive + "\\Varnholt Gone\\" + s.mark + "\\app.exe");
        SetNumber(HKEY_LOCAL_MACHINE, services + m[8], "Type", 16);  // a service of its own, started on demand
        SetNumber(HKEY_LOCAL_MACHINE, services + m[8], "Start", 3);
        SetNumber(HKEY_LOCAL_MACHINE, services + m[14], "Type", 1);  // a kernel driver
        SetNumber(HKEY_LOCAL_MACHINE, services + m[14], "Start", 3);
    }
    ~SeededPlaces() { Remove(); }
    SeededPlaces(const SeededPlaces&) = delete;
    SeededPlaces& operator=(const SeededPlaces&) = delete;

    void Remove() const {
        for (const Seed& s : seeds) {
            if (!s.made.empty())
                ::RegDeleteTreeW(s.root, Wide(s.made).c_str());
            else
                ::RegDeleteKeyValueW(s.root, Wide(s.key).c_str(), Wide(s.name).c_str());
        }
    }
    static void SetText(HKEY root, const std::string& path, const std::string& name, const std::string& text) {
        const std::wstring data = Wide(text);
        ASSERT_EQ(::RegSetKeyValueW(root, Wide(path).c_str(), Wide(name).c_str(), REG_SZ, data.c_str(),
                                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS)
            << path;
    }
    static void SetNumber(HKEY root, const std::string& path, const char* name, DWORD n) {
        ASSERT_EQ(::RegSetKeyValueW(root, Wide(path).c_str(), Wide(name).c_str(), REG_DWORD, &n, sizeof n), ERROR_SUCCESS);
    }
    // The seed whose mark a row's key text holds, or null.
    const Seed* Of(const std::string& keyText) const {
        for (const Seed& s : seeds)
            if (keyText.find(s.mark) != std::string::npos) return &s;
        return nullptr;
    }
};

// The boxes the user clicks off are not listed, nor counted; the places
// Windows needs are never listed, the prefix's own paging file included.
TEST_F(AppWindows, TheBoxesChooseTheCategoriesAndPlacesWindowsNeedsAreNeverListed) {
    SeededPlaces placed;
    AppRig rig;
    rig.App().Start();
    auto& page = *rig.Page();
    const std::set<std::string> off = {"Startup Programs", "System services", "Files and Folsers"};
    for (const char* box : {"Check3", "Check11", "Check14"}) {
        PostPress(page.CheckNamed(box).Handle(), {6, 8});
        ASSERT_TRUE(PumpUntil([&] { return page.CheckNamed(box).Value() == 0; })) << box;
    }
    bool scanned = false;
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) {
        CloseAtEnd close{scan.Handle()};
        auto& list = scan.ListNamed("lvwRegErrors");
        ASSERT_TRUE(PumpUntil([&] { return scan.LabelNamed("lblCurrentKey").Caption() == "Scan finished"; }, 120000));
        EXPECT_EQ(scan.LabelNamed("lblStatus").Caption(), std::to_string(list.RowCount()));
        auto shown = [&](int row, int column) { return ui_test::ShownText(list.Handle(), row, column); };
        std::set<std::string> listed;
        for (int row = 1; row <= list.RowCount(); ++row) {
            const std::string key = shown(row, 2), category = shown(row, 5);
            EXPECT_EQ(off.count(category), 0u) << key << " is listed under " << category;
            EXPECT_EQ(key.find("PagingFiles"), std::string::npos) << shown(row, 1) << "\\" << key;
            if (const SeededPlaces::Seed* seed = placed.Of(key)) {
                ASSERT_NE(seed->category, nullptr) << shown(row, 1) << "\\" << key << " is a place Windows needs";
                EXPECT_EQ(category, seed->category) << shown(row, 1) << "\\" << key;
                listed.insert(seed->category);
            }
        }
        std::set<std::string> expected;
        for (const auto& seed : placed.seeds)
            if (seed.category && !off.count(seed.category)) expected.insert(seed.category);
        EXPECT_EQ(listed, expected);
        scanned = true;
        ClickButton(scan, "CommandReturn");
    };
    ClickButton(page, "CommandScanNow");
    ASSERT_TRUE(PumpUntil([&] { return scanned && !rig.App().OpenScanWindow(); }, 180000));
}

// Scan, Stop, Repair and Return by the keyboard alone, with real key input.
// A thread timer plays the user: it runs inside whatever loop is running
// (the scan window's own, or the walk's yield) and presses the next key once
// the window shows what the step before should have brought.
TEST_F(AppWindows, TheScanWindowWorksByKeyboardAlone) {
    ScratchKey scratch;
    platform::win32::Win32FileSystem realFiles;
    scratch.SetText("gone", realFiles.SystemDirectory().substr(0, 2) + "\\Varnholt Gone\\keys.exe");
    const std::string prefix = scratch.path;
    AppRig rig;
    rig.files.WriteFile("\\ro.ini", "[Settings]\r\nBackupBeforeFix=0\r\n");
    rig.App().Start();

    static std::function<void()> user;
    int step = 0;
    std::string stuckAt;
    const ULONGLONG deadline = ::GetTickCount64() + 200000;
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) { ::SetForegroundWindow(scan.Handle()); };
    user = [&] {
        app::ScanWindow* scan = rig.App().OpenScanWindow();
        if (!scan || step >= 8) return;
        auto& list = scan->ListNamed("lvwRegErrors");
        const HWND start = scan->ButtonNamed("CommandStart").Handle(), stop = scan->ButtonNamed("CommandStop").Handle(),
                   repair = scan->ButtonNamed("CommandRepair").Handle(), ret = scan->ButtonNamed("CommandReturn").Handle();
        const std::string label = scan->LabelNamed("lblCurrentKey").Caption();
        const bool stopped = label == "Scan is stopped by user." && ::IsWindowEnabled(start);
        const bool ours = !RowsUnder(list, prefix).empty();
        const HWND focus = ::GetFocus();
        auto next = [&](WORD key, bool shift = false) {
            PressKey(key, shift);
            ++step;
        };
        switch (step) {
        case 0:  // the automatic scan runs: Tab from the list reaches Stop
            if (focus == list.Handle()) next(VK_TAB);
            break;
        case 1:  // Space on Stop once our value is listed
            if (focus == stop && ours) next(VK_SPACE);
            break;
        case 2:  // stopped: the focus has passed on to Repair; Shift+Tab reaches Scan
            if (stopped && focus == repair) next(VK_TAB, true);
            break;
        case 3:  // Space on Scan: a new scan, and the focus passes on to Stop
            if (focus == start) next(VK_SPACE);
            break;
        case 4:
            if (focus == stop && ::IsWindowEnabled(stop) && ours) next(VK_SPACE);
            break;
        case 5:  // Space on Repair, for our value alone
            if (stopped && focus == repair) {
                TickOnlyUnder(*scan, prefix);
                next(VK_SPACE);
            }
            break;
        case 6:  // Tab reaches Return
            if (rig.ui.messages.size() == 1) next(VK_TAB);
            break;
        case 7:
            if (focus == ret) next(VK_SPACE);
            break;
        }
        if (step < 8 && ::GetTickCount64() > deadline && stuckAt.empty()) {
            wchar_t name[64] = {};
            ::GetClassNameW(focus, name, 64);
            stuckAt = "step " + std::to_string(step) + ", focus on " + Utf8(name) + " " + std::to_string(::GetDlgCtrlID(focus)) + ", " + label;
            ::PostMessageW(scan->Handle(), WM_CLOSE, 0, 0);  // closes once the walk is over
        }
    };
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        if (user) user();
    });
    ClickButton(*rig.Page(), "CommandScanNow");
    const bool closed = PumpUntil([&] { return step > 0 && !rig.App().OpenScanWindow(); }, 240000);
    ::KillTimer(nullptr, timer);
    user = nullptr;
    ASSERT_TRUE(closed);
    EXPECT_EQ(stuckAt, "");
    EXPECT_EQ(step, 8);
    EXPECT_EQ(rig.ui.Texts(), std::vector<std::string>{"1 errors has repaired."});
    EXPECT_FALSE(scratch.Has("gone"));
}

// A left click of the real mouse at a point of the screen: it reaches the
// window under it through the system's input, or nothing when that window
// is disabled.
void RealClick(POINT screen) {
    ::SetCursorPos(screen.x, screen.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, input, sizeof(INPUT));
}

POINT ScreenCentre(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return app_test::Centre(r);
}

// The reason a window gives the system for keeping the session from ending,
// where the system can say (Windows Vista on; not Wine).
std::optional<std::wstring> ShutdownReason(HWND window) {
    using Query = BOOL(WINAPI*)(HWND, LPWSTR, DWORD*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "ShutdownBlockReasonQuery")));
    if (!query) return std::nullopt;
    wchar_t reason[256] = {};
    DWORD length = 256;
    return query(window, reason, &length) ? std::wstring(reason) : std::wstring();
}

// A repair of many values, with the real mouse on Return, Scan and the exit
// picture at one of its yields, and a logoff asked for: Return and Scan are
// disabled, the exit picture and the end of the session are refused, and the
// repair ends as it would have.
TEST_F(AppWindows, ClicksDuringALongRepairDoNothing) {
    ScratchKey scratch;
    platform::win32::Win32FileSystem realFiles;
    const std::wstring gone = Wide(realFiles.SystemDirectory().substr(0, 2) + "\\Varnholt Gone\\many.exe");
    constexpr int kValues = 1500;
    std::vector<std::string> keys;
    for (int k = 0; k < 30; ++k) {
        std::string sub = scratch.path;
        for (int level = 0; level <= k % 12; ++level) sub += "\\L" + std::to_string(level);
        keys.push_back(sub + "\\K" + std::to_string(k));
    }
    for (int i = 0; i < kValues; ++i)
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, Wide(keys[i % keys.size()]).c_str(), Wide("v" + std::to_string(i)).c_str(),
                                    REG_SZ, gone.c_str(), static_cast<DWORD>((gone.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    AppRig rig;
    rig.files.WriteFile("\\ro.ini", "[Settings]\r\nBackupBeforeFix=1\r\n");
    rig.App().Start();
    bool repaired = false;
    int clickedAt = 0;
    LRESULT endSession = -1;
    std::optional<std::wstring> reason;
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) {
        CloseAtEnd close{scan.Handle()};
        ::SetForegroundWindow(scan.Handle());
        auto& currentKey = scan.LabelNamed("lblCurrentKey");
        ASSERT_TRUE(PumpUntil([&] { return currentKey.Caption() == "Scan finished"; }, 120000));
        TickOnlyUnder(scan, scratch.path);
        rig.ui.dues = 0;
        // Early in the removal, once the backup has been announced.
        rig.ui.onDue = [&](int due) {
            if (clickedAt != 0 || due < kValues + 20 || !scan.Logic().Repairing()) return;
            clickedAt = due;
            RealClick(ScreenCentre(scan.ButtonNamed("CommandReturn").Handle()));
            RealClick(ScreenCentre(scan.ButtonNamed("CommandStart").Handle()));
            POINT exit = app_test::Centre(scan.PictureNamed("ImageExit").Bounds());
            ::ClientToScreen(scan.Handle(), &exit);
            RealClick(exit);
            endSession = ::SendMessageW(scan.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
            reason = ShutdownReason(scan.Handle());
        };
        ClickButton(scan, "CommandRepair");
        ASSERT_TRUE(PumpUntil([&] { return rig.ui.messages.size() >= 2 && !scan.Logic().Repairing(); }, 120000));
        rig.ui.onDue = nullptr;
        Flush();
        EXPECT_GT(clickedAt, kValues) << "the repair yielded during its removal";
        EXPECT_EQ(endSession, FALSE) << "no logoff in the middle of a repair";
        if (reason) EXPECT_EQ(*reason, L"Repairing registry values");
        EXPECT_EQ(::SendMessageW(scan.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE) << "once it is over";
        if (reason) EXPECT_EQ(ShutdownReason(scan.Handle()), std::wstring()) << "the reason goes with the repair";
        ASSERT_EQ(rig.ui.messages.size(), 3u);
        EXPECT_EQ(rig.ui.messages[0].text.rfind("Backup file:" + rig.files.AppFolder() + "\\RegBackups\\Backup (", 0), 0u);
        EXPECT_EQ(rig.ui.messages[1].text, "Now scanning,can not exit.");
        EXPECT_EQ(rig.ui.messages[2].text, std::to_string(kValues) + " errors has repaired.");
        EXPECT_EQ(ReadProfile(rig.files.Profile(), "Records", "FixedCount"), std::to_string(kValues));
        EXPECT_EQ(currentKey.Caption(), "Creating backup files...") << "no scan started";
        EXPECT_FALSE(scan.Closed());
        for (const char* name : {"CommandStart", "CommandRepair", "CommandReturn"})
            EXPECT_TRUE(::IsWindowEnabled(scan.ButtonNamed(name).Handle())) << name;
        EXPECT_FALSE(::IsWindowEnabled(scan.ButtonNamed("CommandStop").Handle()));
        repaired = true;
        ClickButton(scan, "CommandReturn");
    };
    ClickButton(*rig.Page(), "CommandScanNow");
    ASSERT_TRUE(PumpUntil([&] { return repaired && !rig.App().OpenScanWindow(); }, 240000));
    for (const std::string& key : keys) {
        DWORD values = 1;
        HKEY open;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_READ, &open), ERROR_SUCCESS);
        ::RegQueryInfoKeyW(open, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
        ::RegCloseKey(open);
        EXPECT_EQ(values, 0u) << key;
    }
}

}  // namespace

namespace {

// The row of the list whose key text is `key`; 0 when there is none.
int RowOf(const platform::win32::Win32ListView& list, const std::string& key) {
    for (int row = 1; row <= list.RowCount(); ++row)
        if (ui_test::ShownText(list.Handle(), row, 2) == key) return row;
    return 0;
}

// A right-click on a row with the real mouse, and the menu's first item
// chosen with the real keyboard once the menu is up (its loop runs inside
// the click's handling, so the keys come from another thread).
void IgnoreWithTheMouse(const platform::win32::Win32ListView& list, int row) {
    RECT label{LVIR_LABEL, 0, 0, 0};
    ::SendMessageW(list.Handle(), LVM_GETITEMRECT, row - 1, reinterpret_cast<LPARAM>(&label));
    POINT at{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
    ::ClientToScreen(list.Handle(), &at);
    ::SetForegroundWindow(::GetAncestor(list.Handle(), GA_ROOT));
    ::SetCursorPos(at.x, at.y);
    std::thread chooser([] {
        ::Sleep(1500);
        for (WORD key : {WORD(VK_DOWN), WORD(VK_RETURN)}) {
            INPUT input[2]{};
            input[0].type = input[1].type = INPUT_KEYBOARD;
            input[0].ki.wVk = input[1].ki.wVk = key;
            input[1].ki.dwFlags = KEYEVENTF_KEYUP;
            ::SendInput(2, input, sizeof(INPUT));
            ::Sleep(200);
        }
    });
    INPUT click[2]{};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    ::SendInput(2, click, sizeof(INPUT));
    ui_test::PumpFor(3000);
    chooser.join();
    ui_test::PumpFor(200);
}

}  // namespace

// As a user: a row ignored from its menu leaves the list and the next scan;
// the settings page counts the entry and "Forget all" brings the value back.
TEST_F(AppWindows, AValueIgnoredFromItsMenuStaysOutUntilForgotten) {
    ScratchKey scratch;
    const std::string drive = platform::win32::Win32FileSystem().SystemDirectory().substr(0, 2);
    scratch.SetText("kept", "\"" + drive + "\\Varnholt Gone\\portable.exe\" --run");
    const std::string key = scratch.path + "\\kept";

    AppRig rig;
    rig.App().Start();
    int scans = 0;
    std::vector<std::string> listed;  // per scan: whether the value was listed, and its missing file
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) {
        CloseAtEnd close{scan.Handle()};
        auto& list = scan.ListNamed("lvwRegErrors");
        ASSERT_TRUE(PumpUntil([&] { return scan.LabelNamed("lblCurrentKey").Caption() == "Scan finished"; }, 120000));
        const int row = RowOf(list, key);
        listed.push_back(row ? ui_test::ShownText(list.Handle(), row, 4) : "");
        if (++scans == 1 && row) {
            const int before = list.RowCount();
            IgnoreWithTheMouse(list, row);
            EXPECT_EQ(RowOf(list, key), 0) << "the row is gone at once";
            // With its row under HKEY_USERS, which shows the same value.
            EXPECT_EQ(list.RowCount(), before - 2);
            EXPECT_EQ(scan.LabelNamed("lblStatus").Caption(), std::to_string(list.RowCount()));
        }
        ClickButton(scan, "CommandReturn");
    };
    auto scanOnce = [&] {
        const int before = scans;
        ClickButton(*rig.Page(), "CommandScanNow");
        ASSERT_TRUE(PumpUntil([&] { return scans > before && !rig.App().OpenScanWindow(); }, 240000));
    };
    scanOnce();
    scanOnce();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0], drive + "\\Varnholt Gone\\portable.exe") << "the missing file, without the arguments";
    EXPECT_EQ(listed[1], "") << "not listed by the next scan";

    ClickPicture(*rig.Page(), "ImageSettings");
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == Page::Settings; }));
    EXPECT_EQ(rig.Page()->LabelNamed("LabelIgnored").Caption(), "Ignored entries: 1");
    rig.ui.answers = {platform::MessageAnswer::Yes};
    ClickLabel(*rig.Page(), "LabelForgetAll");
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->LabelNamed("LabelIgnored").Caption() == "Ignored entries: 0"; }));

    ClickPicture(*rig.Page(), "ImageScanner");
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == Page::Scanner; }));
    scanOnce();
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_NE(listed[2], "") << "listed again once forgotten";
}

// As a user whose ignore list another program holds open, or that became a
// folder: the scan window says so and lists nothing, the settings page does
// not count it as empty.
TEST_F(AppWindows, AnIgnoreListThatCannotBeReadStopsTheScanAndIsNotCountedEmpty) {
    ScratchKey scratch;
    const std::string drive = platform::win32::Win32FileSystem().SystemDirectory().substr(0, 2);
    scratch.SetText("kept", drive + "\\Varnholt Gone\\portable.exe");
    AppRig rig;
    const std::string list = rig.files.AppFolder() + "\\ignore.txt";
    rig.files.WriteFile("\\ignore.txt", "value\tHKEY_CURRENT_USER\t" + scratch.path + "\tkept\r\n");
    HANDLE held = ::CreateFileW(Wide(list).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    rig.App().Start();
    int rows = -1;
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) {
        CloseAtEnd close{scan.Handle()};
        ASSERT_TRUE(PumpUntil([&] { return !rig.ui.messages.empty(); }, 120000));
        rows = scan.ListNamed("lvwRegErrors").RowCount();
        ClickButton(scan, "CommandReturn");
    };
    ClickButton(*rig.Page(), "CommandScanNow");
    ASSERT_TRUE(PumpUntil([&] { return rows >= 0 && !rig.App().OpenScanWindow(); }, 240000));
    EXPECT_EQ(rows, 0);
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0].text, "The ignore list could not be read (another program holds it open), "
                                       "so the scan did not start:\r\n" + list);
    ::CloseHandle(held);

    ::DeleteFileW(Wide(list).c_str());
    ::CreateDirectoryW(Wide(list).c_str(), nullptr);
    ClickPicture(*rig.Page(), "ImageSettings");
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == Page::Settings; }));
    EXPECT_EQ(rig.Page()->LabelNamed("LabelIgnored").Caption(), "Ignored entries: the list could not be read");
    ::RemoveDirectoryW(Wide(list).c_str());
    EXPECT_TRUE(scratch.Has("kept"));
}
