// The windows under a high-contrast theme. Wine reports none, so the test
// stands in for the system: the theme on, with colours of its own that no
// picture of the program holds.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/win32/Contrast.h"
#include "win32/app_test_support.h"

namespace {

using namespace app_test;
using ui_test::PumpUntil;

// Each background differs from its ink in one channel alone, so that text
// drawn smoothly (subpixel or not) stays on that line of colours, and no
// picture's pixel falls on one by chance.
const std::map<int, COLORREF> kScheme = {
    {COLOR_WINDOW, RGB(0, 40, 90)},      {COLOR_WINDOWTEXT, RGB(0, 250, 90)}, {COLOR_HOTLIGHT, RGB(0, 40, 250)},
    {COLOR_BTNFACE, RGB(200, 60, 0)},    {COLOR_BTNTEXT, RGB(200, 250, 0)},   {COLOR_HIGHLIGHT, RGB(120, 0, 200)},
    {COLOR_HIGHLIGHTTEXT, RGB(250, 0, 200)}, {COLOR_GRAYTEXT, RGB(200, 60, 160)},
};

// The theme on while it lives; the windows hear of it as of a real change.
struct HighContrastOn {
    HighContrastOn() { platform::win32::OverrideHighContrast(true, kScheme); }
    ~HighContrastOn() { platform::win32::OverrideHighContrast(std::nullopt); }
};

// A background and an ink: text drawn smoothly in the one over the other
// gives, channel by channel, values between the two.
struct Pair {
    int back, ink;
    const char* name;
};
const Pair kText{COLOR_WINDOW, COLOR_WINDOWTEXT, "text"}, kLink{COLOR_WINDOW, COLOR_HOTLIGHT, "link"},
    kButton{COLOR_BTNFACE, COLOR_BTNTEXT, "button"}, kSelected{COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, "selected"},
    kDisabled{COLOR_BTNFACE, COLOR_GRAYTEXT, "disabled"};

bool Between(COLORREF c, const Pair& p) {
    const COLORREF a = kScheme.at(p.back), b = kScheme.at(p.ink);
    for (int shift : {0, 8, 16}) {
        const int v = (c >> shift) & 0xFF, x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
        if (v < std::min(x, y) - 1 || v > std::max(x, y) + 1) return false;
    }
    return true;
}

// What the screen shows of a window's client area.
class Shot {
public:
    explicit Shot(HWND window) {
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        ui_test::PumpFor(100);
        ::GetClientRect(window, &size_);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, size_.right, -size_.bottom, 1, 32, BI_RGB};
        void* bits = nullptr;
        HDC screen = ::GetDC(window);
        HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC memory = ::CreateCompatibleDC(screen);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, size_.right, size_.bottom, screen, 0, 0, SRCCOPY);
        const auto* p = static_cast<const std::uint32_t*>(bits);
        for (int i = 0; i < size_.right * size_.bottom; ++i)  // 0x00RRGGBB to COLORREF
            pixels_.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
        ::DeleteObject(bitmap);
        ::ReleaseDC(window, screen);
    }
    COLORREF At(int x, int y) const { return pixels_[static_cast<size_t>(y) * size_.right + x]; }
    const RECT& Size() const { return size_; }

private:
    RECT size_{};
    std::vector<COLORREF> pixels_;
};

// Where a child window lies in its parent's client area.
RECT InParent(HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The pixel table: each part's pixels lie between its pair's colours and
// show its ink; every pixel of the window but the system's own controls
// (check boxes, lists) is of one of the pairs: no picture shows.
void CheckColours(app::FormWindow& form, const std::vector<std::pair<RECT, Pair>>& parts) {
    const Shot shot(form.Handle());
    const std::string where = form.Layout().name + " at " + std::to_string(form.Dpi()) + " dpi";
    for (const auto& [r, pair] : parts) {
        bool inked = false;
        int stray = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const COLORREF c = shot.At(x, y);
                inked = inked || c == kScheme.at(pair.ink);
                if (!Between(c, pair)) ++stray;
            }
        EXPECT_TRUE(inked) << where << ": no " << pair.name << " ink at " << r.left << "," << r.top;
        EXPECT_EQ(stray, 0) << where << ": " << pair.name << " at " << r.left << "," << r.top;
    }
    std::vector<RECT> system;
    for (const auto& entry : form.Layout().checks) system.push_back(InParent(form.CheckNamed(entry.name).Handle()));
    for (const auto& entry : form.Layout().lists) system.push_back(InParent(form.ListNamed(entry.name).Handle()));
    int stray = 0;
    for (int y = 0; y < shot.Size().bottom; ++y)
        for (int x = 0; x < shot.Size().right; ++x) {
            bool own = true;
            for (const RECT& s : system) own = own && !(x >= s.left && x < s.right && y >= s.top && y < s.bottom);
            const COLORREF c = shot.At(x, y);
            if (own && !Between(c, kText) && !Between(c, kLink) && !Between(c, kButton) && !Between(c, kSelected) &&
                !Between(c, kDisabled))
                ++stray;
        }
    EXPECT_EQ(stray, 0) << where << ": pixels of no colour of the theme";
}

struct HighContrast : ::testing::Test {
    void SetUp() override { ::SetCursorPos(2000, 2000); }
};

// The home page and the scan window at 96 and at 144 dots per inch.
TEST_F(HighContrast, TheWindowsDrawInTheThemesColoursAlone) {
    AppRig rig;
    rig.App().Start();
    auto& home = *rig.Page();
    ::SetForegroundWindow(home.Handle());
    Flush();
    const Shot before(home.Handle());
    HighContrastOn theme;
    // Told at once, as by the system.
    ::SendMessageW(home.Handle(), WM_SYSCOLORCHANGE, 0, 0);
    for (const int dpi : {96, 144}) {
        if (dpi != home.Dpi()) ASSERT_TRUE(MoveToDpi(home, dpi));
        CheckColours(home, {
                               {home.LabelNamed("LabelTip").Bounds(), kText},
                               {home.LabelNamed("Label1").Bounds(), kText},
                               {home.LabelNamed("LabelSelectAll").Bounds(), kLink},
                               {home.PictureNamed("ImageScanner").Bounds(), kSelected},  // the open page
                               {home.PictureNamed("ImageRecords").Bounds(), kButton},
                               {home.PictureNamed("ImageExit").Bounds(), kButton},
                               {InParent(home.ButtonNamed("CommandScanNow").Handle()), kButton},
                           });
    }
    EXPECT_EQ(home.Dpi(), 144);

    bool checked = false;
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) {
        CloseAtEnd close{scan.Handle()};
        ::SetForegroundWindow(scan.Handle());
        rig.ui.onYield = [&](int yield) {
            if (yield == 1) ClickButton(scan, "CommandStop");
        };
        ASSERT_TRUE(PumpUntil([&] { return scan.LabelNamed("lblCurrentKey").Caption() == "Scan is stopped by user."; }, 60000));
        rig.ui.onYield = nullptr;
        scan.ButtonNamed("CommandReturn").TakeFocus();
        for (const int dpi : {144, 96}) {
            if (dpi != scan.Dpi()) ASSERT_TRUE(MoveToDpi(scan, dpi));
            CheckColours(scan, {
                                   {scan.LabelNamed("Label4").Bounds(), kText},
                                   {scan.LabelNamed("lblStatus").Bounds(), kText},
                                   {InParent(scan.ButtonNamed("CommandStart").Handle()), kButton},
                                   {InParent(scan.ButtonNamed("CommandStop").Handle()), kDisabled},
                                   {InParent(scan.ButtonNamed("CommandReturn").Handle()), kSelected},  // the focus
                               });
        }
        checked = true;
        ::PostMessageW(scan.Handle(), WM_CLOSE, 0, 0);
    };
    ClickButton(home, "CommandScanNow");
    ASSERT_TRUE(PumpUntil([&] { return checked && !rig.App().OpenScanWindow(); }, 120000));

    // Off again: the home page as it was (the focus back where it was).
    platform::win32::OverrideHighContrast(std::nullopt);
    ASSERT_TRUE(MoveToDpi(home, 96));
    ::SetFocus(home.CheckNamed("Check6").Handle());
    ::SendMessageW(home.Handle(), WM_SYSCOLORCHANGE, 0, 0);
    const Shot after(home.Handle());
    int changed = 0;
    for (int y = 0; y < before.Size().bottom; ++y)
        for (int x = 0; x < before.Size().right; ++x) changed += before.At(x, y) != after.At(x, y);
    EXPECT_EQ(changed, 0);
}

}  // namespace
