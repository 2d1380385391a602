// The program's windows by the keyboard alone, with real key input: the
// pages, the painted parts in the Tab order, and the scan window's keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "win32/app_test_support.h"

namespace {

using namespace app_test;
using shell::Page;
using ui_test::PumpUntil;

struct Keyboard : ::testing::Test {
    void SetUp() override { ::SetCursorPos(2000, 2000); }  // the real pointer stays off the windows
};

// What the window shows in a rectangle of its client area.
std::vector<COLORREF> Shown(HWND window, const RECT& r) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = ::GetDC(window);
    std::vector<COLORREF> pixels;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) pixels.push_back(::GetPixel(dc, x, y));
    ::ReleaseDC(window, dc);
    return pixels;
}

TEST_F(Keyboard, EveryPageAndBackWithCtrlTabAndCtrlNumber) {
    AppRig rig;
    rig.App().Start();
    ::SetForegroundWindow(rig.Page()->Handle());
    const struct {
        std::initializer_list<WORD> keys;
        Page page;
    } steps[] = {
        {{VK_CONTROL, VK_TAB}, Page::RestoreAndBackup},
        {{VK_CONTROL, VK_TAB}, Page::Settings},
        {{VK_CONTROL, VK_TAB}, Page::Records},
        {{VK_CONTROL, VK_TAB}, Page::Scanner},  // round the four
        {{VK_CONTROL, VK_SHIFT, VK_TAB}, Page::Records},
        {{VK_CONTROL, '3'}, Page::Settings},
        {{VK_CONTROL, VK_NUMPAD2}, Page::RestoreAndBackup},
        {{VK_CONTROL, '1'}, Page::Scanner},
    };
    for (const auto& step : steps) {
        const HWND before = rig.Page()->Handle();
        PressKeys(step.keys);
        ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Handle() != before; })) << static_cast<int>(step.page);
        EXPECT_EQ(rig.Page()->Page(), step.page);
        Flush();
        EXPECT_EQ(::GetForegroundWindow(), rig.Page()->Handle()) << "the new page takes the keys";
    }
    // The open page's own number does nothing.
    const HWND home = rig.Page()->Handle();
    PressKeys({VK_CONTROL, '1'});
    ui_test::PumpFor(300);
    EXPECT_EQ(rig.Page()->Handle(), home);
}

// A click of the real mouse while a page is being made goes to the page
// showing when the switch is over: it is not lost with the page left.
TEST_F(Keyboard, AClickDuringASwitchReachesThePageShownAfterIt) {
    AppRig rig;
    rig.App().Start();
    ::SetForegroundWindow(rig.Page()->Handle());
    Flush();
    POINT records = Centre(rig.Page()->PictureNamed("ImageRecords").Bounds());
    ::ClientToScreen(rig.Page()->Handle(), &records);
    bool clicked = false;
    rig.files.onAppFolder = [&] {
        if (clicked) return;
        clicked = true;
        ::SetCursorPos(records.x, records.y);
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        ::SendInput(2, input, sizeof(INPUT));
    };
    PressKeys({VK_CONTROL, '3'});  // to the settings page, the click made while it is being made
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == Page::Records; }, 10000))
        << "now on page " << static_cast<int>(rig.Page()->Page());
    EXPECT_TRUE(clicked);
    rig.files.onAppFolder = nullptr;
}

// Tab reaches the painted parts after the child windows; the focused one
// shows its mark; Enter or the space bar does what a click does.
TEST_F(Keyboard, TabReachesThePaintedPartsAndEnterOrSpacePressesThem) {
    AppRig rig;
    rig.App().Start();
    auto& home = *rig.Page();
    ::SetForegroundWindow(home.Handle());
    Flush();
    ASSERT_EQ(::GetFocus(), home.CheckNamed("Check6").Handle());
    for (int i = 1; i <= 15; ++i) home.CheckNamed("Check" + std::to_string(i)).SetValue(0);

    RECT around = home.LabelNamed("LabelSelectAll").Bounds();
    ::InflateRect(&around, 2, 2);
    const std::vector<COLORREF> unfocused = Shown(home.Handle(), around);
    // Past the 15 boxes and "Scan now".
    for (int i = 0; i < 16; ++i) PressKeys({VK_TAB});
    ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() == home.Handle(); }));
    Flush();
    EXPECT_NE(Shown(home.Handle(), around), unfocused) << "a focus mark shows around \"Select All\"";
    PressKeys({VK_RETURN});
    ASSERT_TRUE(PumpUntil([&] { return home.CheckNamed("Check15").Value() == 1; }));
    for (int i = 1; i <= 15; ++i) EXPECT_EQ(home.CheckNamed("Check" + std::to_string(i)).Value(), 1) << i;

    // On past the open page's own picture to Restore's, pressed with the space bar.
    PressKeys({VK_TAB});
    PressKeys({VK_TAB});
    PressKeys({VK_SPACE});
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == Page::RestoreAndBackup; }));

    // Shift+Tab from the first control comes round to close, then minimise.
    auto& backups = *rig.Page();
    Flush();
    ASSERT_EQ(::GetFocus(), backups.ListNamed("ListViewBackups").Handle());
    PressKeys({VK_SHIFT, VK_TAB});
    PressKeys({VK_SHIFT, VK_TAB});
    PressKeys({VK_RETURN});
    ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(backups.Handle()) != FALSE; }));
    ::ShowWindow(backups.Handle(), SW_RESTORE);
    ::SetForegroundWindow(backups.Handle());
    Flush();
    EXPECT_FALSE(rig.ended);
    PressKeys({VK_MENU, VK_F4});
    ASSERT_TRUE(PumpUntil([&] { return rig.ended; })) << "Alt+F4 closes the page as its close picture does";
}

// From the home page to a repair and back with keys alone: Esc and Alt+F4
// meet the exit guard while the walk runs, Esc is Return once it is over.
// A thread timer plays the user inside whatever loop is running.
TEST_F(Keyboard, AScanARepairAndReturnWithoutTheMouse) {
    const std::string scratch = "Software\\VarnholtKeys" + std::to_string(::GetCurrentProcessId());
    const std::wstring gone = Wide(platform::win32::Win32FileSystem().SystemDirectory().substr(0, 2) + "\\Varnholt Gone\\key.exe");
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, Wide(scratch).c_str(), L"gone", REG_SZ, gone.c_str(),
                                static_cast<DWORD>((gone.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    AppRig rig;
    rig.files.WriteFile("\\ro.ini", "[Settings]\r\nBackupBeforeFix=0\r\n");
    rig.App().Start();
    ::SetForegroundWindow(rig.Page()->Handle());
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) { ::SetForegroundWindow(scan.Handle()); };

    static std::function<void()> user;
    int step = 0;
    const ULONGLONG deadline = ::GetTickCount64() + 200000;
    user = [&] {
        app::ScanWindow* scan = rig.App().OpenScanWindow();
        const HWND focus = ::GetFocus();
        auto next = [&](std::initializer_list<WORD> keys) {
            PressKeys(keys);
            ++step;
        };
        if (step == 0 && !scan && focus == rig.Page()->CheckNamed("Check6").Handle()) {
            for (int i = 0; i < 15; ++i) PressKeys({VK_TAB});  // to "Scan now"
            next({VK_SPACE});
        }
        if (!scan) return;
        const HWND stop = scan->ButtonNamed("CommandStop").Handle(), repair = scan->ButtonNamed("CommandRepair").Handle();
        const std::string label = scan->LabelNamed("lblCurrentKey").Caption();
        bool ours = false;
        for (const auto& f : scan->Logic().Findings()) ours = ours || f.keyText.find(scratch) == 0;
        switch (step) {
        case 1:  // the walk runs
            if (::IsWindowEnabled(stop)) next({VK_ESCAPE});
            break;
        case 2:
            if (rig.ui.messages.size() == 1) next({VK_MENU, VK_F4});
            break;
        case 3:  // Tab from the list passes the disabled Scan to Stop
            if (rig.ui.messages.size() == 2 && ours && focus != stop) PressKeys({VK_TAB});
            if (rig.ui.messages.size() == 2 && ours && focus == stop) next({VK_SPACE});
            break;
        case 4:  // stopped: the focus has passed on to Repair; our row alone ticked
            if (label == "Scan is stopped by user." && focus == repair) {
                for (int row = 1; row <= static_cast<int>(scan->Logic().Findings().size()); ++row)
                    scan->Logic().SetTicked(row, scan->Logic().Findings()[row - 1].keyText.find(scratch) == 0);
                next({VK_RETURN});  // Enter presses a gradient button too
            }
            break;
        case 5:
            if (rig.ui.messages.size() == 3) next({VK_ESCAPE});
            break;
        }
        if (::GetTickCount64() > deadline) ::PostMessageW(scan->Handle(), WM_CLOSE, 0, 0);  // closes once the walk is over
    };
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        if (user) user();
    });
    const bool back = PumpUntil([&] { return step == 6 && !rig.App().OpenScanWindow(); }, 240000);
    ::KillTimer(nullptr, timer);
    user = nullptr;
    ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(scratch).c_str());
    ASSERT_TRUE(back) << "stuck at step " << step;
    EXPECT_EQ(rig.ui.Texts(), (std::vector<std::string>{"Now scanning,can not exit.", "Now scanning,can not exit.",
                                                        "1 errors has repaired."}));
    EXPECT_FALSE(rig.ended);
    EXPECT_TRUE(::IsWindowEnabled(rig.Page()->Handle()));
}

}  // namespace
