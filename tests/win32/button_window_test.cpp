// A real button window in a real top-level window, driven by messages.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "controls/win32/ButtonWindow.h"

using platform::Rgb;
using controls::win32::ButtonWindow;

namespace {

LRESULT CALLBACK FrameProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return ::DefWindowProcA(w, m, wp, lp); }

class Frame {
public:
    Frame() {
        static const ATOM atom = [] {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &FrameProc;
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = "VarnholtButtonTestFrame";
            return ::RegisterClassExA(&wc);
        }();
        (void)atom;
        handle_ = ::CreateWindowExA(0, "VarnholtButtonTestFrame", "Buttons", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 400, 200,
                                    nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    }
    ~Frame() { ::DestroyWindow(handle_); }
    HWND Handle() const { return handle_; }

private:
    HWND handle_;
};

void Pump(DWORD ms = 60) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    MSG msg;
    do {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(1);
    } while (::GetTickCount64() < end);
}

bool PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 100 && !done(); ++i) Pump(20);
    return done();
}

controls::MemoryPropertyStore Stored(const std::string& caption, int buttonType = 1) {
    controls::MemoryPropertyStore s;
    s.Put("Caption", caption);
    s.Put("XpType", std::int64_t{2});
    if (buttonType != 1) s.Put("ButtonType", std::int64_t{buttonType});
    return s;
}

struct ButtonWindowTest : ::testing::Test {
    // One shown frame for the suite: Wine without a window manager takes a
    // while to withdraw a shown window.
    static inline std::unique_ptr<Frame> shared;
    static void SetUpTestSuite() { shared = std::make_unique<Frame>(); }
    static void TearDownTestSuite() { shared.reset(); }
    Frame& frame = *shared;
    std::unique_ptr<ButtonWindow> scan = ButtonWindow::Create(frame.Handle(), "CommandStart", {10, 10, 97, 33}, Stored("&Scan"), 101);
    std::unique_ptr<ButtonWindow> stop = ButtonWindow::Create(frame.Handle(), "CommandStop", {120, 10, 97, 33}, Stored("Stop"), 102);
    int scanClicks = 0, stopClicks = 0;

    void SetUp() override {
        scan->Click = [this] { ++scanClicks; };
        stop->Click = [this] { ++stopClicks; };
        ::SetCursorPos(1000, 1000);  // keep the real pointer away from the buttons
        Pump();
    }
    static void Post(HWND w, UINT m, WPARAM wp = 0, LPARAM lp = 0) { ::PostMessageW(w, m, wp, lp); }
};

}  // namespace

TEST_F(ButtonWindowTest, ShowsItsStoredSettings) {
    EXPECT_EQ(scan->Caption(), "&Scan");
    EXPECT_TRUE(scan->Enabled());
    EXPECT_EQ(scan->Control().Height(), 33);
    EXPECT_EQ(scan->Control().hWnd(), reinterpret_cast<std::intptr_t>(scan->Handle()));
    // The XP face of the program's buttons is on the surface.
    EXPECT_EQ(scan->Surface().Pixel(50, 0), Rgb(0, 60, 115));
}

TEST_F(ButtonWindowTest, MouseClickClicksOnlyWhenReleasedOnTheButton) {
    Post(scan->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    Post(scan->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(PumpUntil([&] { return scanClicks == 1; }));
    EXPECT_EQ(::GetFocus(), scan->Handle());

    Post(scan->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    Post(scan->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 10));
    Post(scan->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    Post(scan->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    Pump();
    EXPECT_EQ(scanClicks, 1);
    EXPECT_EQ(stopClicks, 0);
}

TEST_F(ButtonWindowTest, SpaceBarClicksTheFocusedButton) {
    ::SetFocus(stop->Handle());
    Post(stop->Handle(), WM_KEYDOWN, VK_SPACE, 1);
    Post(stop->Handle(), WM_CHAR, ' ', 1);
    Post(stop->Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(PumpUntil([&] { return stopClicks == 1; }));
    EXPECT_EQ(scanClicks, 0);
}

TEST_F(ButtonWindowTest, AccessKeyClicksItsButtonFromAnywhereInTheWindow) {
    ::SetFocus(stop->Handle());
    Post(stop->Handle(), WM_SYSCHAR, 'S', 1 << 29);
    EXPECT_TRUE(PumpUntil([&] { return scanClicks == 1; }));
    EXPECT_EQ(stopClicks, 0);

    scan->SetEnabled(false);
    Post(stop->Handle(), WM_SYSCHAR, 's', 1 << 29);
    Post(scan->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    Post(scan->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    Pump();
    EXPECT_EQ(scanClicks, 1);
    EXPECT_FALSE(::IsWindowEnabled(scan->Handle()));
    EXPECT_EQ(scan->Surface().Pixel(5, 16), Rgb(244, 244, 234));
}

TEST_F(ButtonWindowTest, DisablingTheFocusedButtonHandsTheFocusOn) {
    ::SetFocus(scan->Handle());
    scan->SetEnabled(false);
    EXPECT_EQ(::GetFocus(), stop->Handle()) << "the next control of the tab order";
    stop->SetEnabled(false);
    EXPECT_EQ(::GetFocus(), frame.Handle()) << "no control left to take it: the window keeps it";
    stop->SetEnabled(true);
    scan->SetEnabled(true);
    ::SetFocus(stop->Handle());
    scan->SetEnabled(false);
    EXPECT_EQ(::GetFocus(), stop->Handle()) << "an unfocused button leaves the focus alone";
}

TEST_F(ButtonWindowTest, EveryButtonsDoubleClickIsASecondPress) {
    const struct {
        const char* name;
        UINT down, dblclk, up;
        WPARAM held;
    } cases[] = {{"right", WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_RBUTTONUP, MK_RBUTTON},
                 {"middle", WM_MBUTTONDOWN, WM_MBUTTONDBLCLK, WM_MBUTTONUP, MK_MBUTTON}};
    for (const auto& c : cases) {
        int downs = 0, ups = 0;
        scan->Control().MouseDown = [&](std::int16_t&, std::int16_t&, float&, float&) { ++downs; };
        scan->Control().MouseUp = [&](std::int16_t&, std::int16_t&, float&, float&) { ++ups; };
        Post(scan->Handle(), c.down, c.held, MAKELPARAM(10, 10));
        Post(scan->Handle(), c.up, 0, MAKELPARAM(10, 10));
        Post(scan->Handle(), c.dblclk, c.held, MAKELPARAM(10, 10));
        Post(scan->Handle(), c.up, 0, MAKELPARAM(10, 10));
        EXPECT_TRUE(PumpUntil([&] { return ups == 2; })) << c.name;
        EXPECT_EQ(downs, 2) << c.name << ": each release follows a press";
    }
    EXPECT_EQ(scanClicks, 0);
}

TEST_F(ButtonWindowTest, HoverRepaintsUntilThePointerLeaves) {
    ::UpdateWindow(scan->Handle());
    ::SendMessageW(scan->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(scan->Control().IsHover());
    EXPECT_EQ(scan->Surface().Pixel(1, 2), Rgb(228, 144, 80));
    RECT dirty{};
    EXPECT_TRUE(::GetUpdateRect(scan->Handle(), &dirty, FALSE));  // the window will show it
    // The hover timer finds the pointer outside and takes the ring away.
    EXPECT_TRUE(PumpUntil([&] { return !scan->Control().IsHover(); }));
    EXPECT_NE(scan->Surface().Pixel(1, 2), Rgb(228, 144, 80));
}

TEST_F(ButtonWindowTest, FocusRingFollowsTheFocusAndArrowsMoveIt) {
    const auto ring = Rgb(122, 184, 98);
    ::SetFocus(scan->Handle());
    EXPECT_EQ(scan->Surface().Pixel(1, 10), ring);
    Post(scan->Handle(), WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_TRUE(PumpUntil([&] { return ::GetFocus() == stop->Handle(); }));
    EXPECT_NE(scan->Surface().Pixel(1, 10), ring);
    EXPECT_EQ(stop->Surface().Pixel(1, 10), ring);
    Post(stop->Handle(), WM_KEYDOWN, VK_LEFT, 1);
    EXPECT_TRUE(PumpUntil([&] { return ::GetFocus() == scan->Handle(); }));

    stop->SetDefault(true);  // the default button shows the ring unfocused
    EXPECT_EQ(stop->Surface().Pixel(1, 10), ring);
}

TEST_F(ButtonWindowTest, RoundedStylesGetTheirRegion) {
    auto glossy = ButtonWindow::Create(frame.Handle(), "CommandGlossy", {10, 60, 20, 10}, Stored("", 4));
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(::GetWindowRgn(glossy->Handle(), region), ERROR);
    EXPECT_FALSE(::PtInRegion(region, 0, 0));
    EXPECT_FALSE(::PtInRegion(region, 19, 9));
    EXPECT_TRUE(::PtInRegion(region, 2, 0));
    EXPECT_TRUE(::PtInRegion(region, 10, 5));
    ::DeleteObject(region);
}

TEST_F(ButtonWindowTest, ClickHandlerMayDestroyTheButton) {
    scan->Click = [this] { scan.reset(); ++scanClicks; };
    Post(scan->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    Post(scan->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(PumpUntil([&] { return scanClicks == 1; }));
    EXPECT_EQ(scan, nullptr);
}

TEST_F(ButtonWindowTest, OutlivingItsWindowIsHarmless) {
    auto orphan = ButtonWindow::Create(frame.Handle(), "CommandOrphan", {10, 60, 97, 33}, Stored("Orphan"));
    ::DestroyWindow(orphan->Handle());
    EXPECT_EQ(orphan->Handle(), nullptr);
    orphan->SetCaption("Still here");  // paints on its own surface only
    orphan->SetEnabled(false);
    EXPECT_EQ(orphan->Caption(), "Still here");
}
