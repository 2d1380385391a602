// The message pump, clock and date text of the real user-interface services.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Win32Ui.h"
#include "ui_test_window.h"

namespace {

using platform::win32::GeneralDateText;
using platform::win32::SecondsSinceMidnightOf;
using platform::win32::Win32UiServices;

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms = 0) {
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    t.wMilliseconds = ms;
    return t;
}

std::string ShortDate(const SYSTEMTIME& t) {
    char buffer[128] = {};
    ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, buffer, sizeof buffer);
    return buffer;
}

void DropPendingQuit() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

TEST(UiYield, HandlesEveryPostedMessageInOrderAndReturns) {
    ui_test::TestWindow window;
    std::vector<WPARAM> seen;
    window.onMessage = [&](UINT message, WPARAM wParam, LPARAM) {
        if (message != WM_APP) return false;
        seen.push_back(wParam);
        if (wParam == 2) ::PostMessageW(window.Handle(), WM_APP, 4, 0);  // posted while yielding
        return true;
    };
    for (WPARAM i = 1; i <= 3; ++i) ::PostMessageW(window.Handle(), WM_APP, i, 0);

    Win32UiServices services;
    services.DoEvents();

    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2, 3, 4}));
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

// A quit posted while the walk yields must survive the yield, with its exit
// code, for the program's main loop; messages before it are still handled.
TEST(UiYield, LeavesAQuitForTheMainLoop) {
    ui_test::TestWindow window;
    int handled = 0;
    window.onMessage = [&](UINT message, WPARAM, LPARAM) {
        if (message != WM_APP) return false;
        ++handled;
        return true;
    };
    ::PostMessageW(window.Handle(), WM_APP, 0, 0);
    ::PostQuitMessage(7);

    Win32UiServices services;
    services.DoEvents();
    services.DoEvents();  // a second yield must not swallow it either

    EXPECT_EQ(handled, 1);
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    DropPendingQuit();
}

TEST(UiYield, TabMovesTheFocusAsBetweenYields) {
    ui_test::TestWindow window(true);
    ::SetForegroundWindow(window.Handle());
    HWND buttons[2];
    for (int i = 0; i < 2; ++i)
        buttons[i] = ::CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10 + 100 * i, 10, 90, 30,
                                       window.Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SetFocus(buttons[0]);
    ASSERT_EQ(::GetActiveWindow(), window.Handle());
    ::PostMessageW(buttons[0], WM_KEYDOWN, VK_TAB, 1);
    ::PostMessageW(buttons[0], WM_KEYUP, VK_TAB, 0xC0000001);
    Win32UiServices().DoEvents();
    EXPECT_EQ(::GetFocus(), buttons[1]);
}

// The walk yields hundreds of thousands of times; each real look at the
// queue is dear, so the yield (and the offer between yields) looks at most
// every 10 ms, and still handles what is posted.
TEST(UiYield, LooksAtTheQueueAtMostEveryTenMilliseconds) {
    ui_test::TestWindow window;
    int handled = 0;
    window.onMessage = [&](UINT message, WPARAM, LPARAM) {
        if (message != WM_APP) return false;
        ++handled;
        return true;
    };
    Win32UiServices services;
    LARGE_INTEGER frequency, start, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    long long elapsedMs = 0, calls = 0;
    while (elapsedMs < 60) {
        if (calls % 1000 == 0) ::PostMessageW(window.Handle(), WM_APP, 0, 0);
        services.DoEvents();
        services.DoEventsIfDue();
        calls += 2;
        ::QueryPerformanceCounter(&now);
        elapsedMs = (now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
    }
    EXPECT_GE(services.Pumps(), 1u);
    EXPECT_LE(services.Pumps(), static_cast<unsigned long long>(elapsedMs / Win32UiServices::kPumpIntervalMs + 1));
    EXPECT_GT(calls, 100 * static_cast<long long>(services.Pumps()));
    platform::win32::PumpMessages();
    EXPECT_EQ(handled, (calls - 1) / 1000 + 1) << "every posted message is handled in the end";
}

TEST(UiClock, GeneralDateTextIsShortDateBlankLongTimeExceptAtMidnight) {
    struct Case {
        SYSTEMTIME time;
        bool hasTime;
    };
    const Case cases[] = {
        {At(2024, 3, 7, 13, 5, 9), true},
        {At(1999, 12, 31, 23, 59, 59), true},
        {At(2024, 3, 7, 0, 0, 1), true},
        {At(2024, 3, 7, 0, 1, 0), true},
        {At(2024, 3, 7, 0, 0, 0), false},
        {At(2024, 3, 7, 0, 0, 0, 500), false},  // the text has whole seconds
    };
    for (const Case& c : cases) {
        std::string text = GeneralDateText(c.time);
        std::string date = ShortDate(c.time);
        SCOPED_TRACE(text);
        ASSERT_FALSE(date.empty());
        ASSERT_EQ(text.compare(0, date.size(), date), 0);
        if (!c.hasTime) {
            EXPECT_EQ(text, date);
            continue;
        }
        ASSERT_GT(text.size(), date.size() + 1);
        EXPECT_EQ(text[date.size()], ' ');
        char seconds[4];
        wsprintfA(seconds, ":%02d", c.time.wSecond);
        EXPECT_NE(text.find(seconds, date.size()), std::string::npos) << "long time shows seconds";
    }
}

TEST(UiClock, SecondsSinceMidnightCountsMilliseconds) {
    EXPECT_DOUBLE_EQ(SecondsSinceMidnightOf(At(2024, 1, 1, 0, 0, 0)), 0.0);
    EXPECT_DOUBLE_EQ(SecondsSinceMidnightOf(At(2024, 1, 1, 1, 2, 3, 250)), 3723.25);
    EXPECT_DOUBLE_EQ(SecondsSinceMidnightOf(At(2024, 1, 1, 23, 59, 59, 999)), 86399.999);

    Win32UiServices services;
    double now = services.SecondsSinceMidnight();
    EXPECT_GE(now, 0.0);
    EXPECT_LT(now, 86400.0);
    std::string text = services.NowText();
    SYSTEMTIME today;
    ::GetLocalTime(&today);
    EXPECT_NE(text.find(std::to_string(today.wYear)), std::string::npos) << text;
}

}  // namespace
