// The timer of the user-interface services on real WM_TIMER messages.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "platform/win32/Win32Timer.h"
#include "platform/win32/Win32Ui.h"
#include "ui_test_window.h"

namespace {

using platform::win32::Win32Timer;
using platform::win32::Win32UiServices;

TEST(UiTimer, TicksWhileEnabledAndStopsWhenDisabled) {
    Win32Timer timer;
    int ticks = 0;
    timer.Tick = [&] { ++ticks; };
    timer.SetInterval(10);
    ui_test::PumpFor(60);
    EXPECT_EQ(ticks, 0) << "a new timer is off";

    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    ASSERT_TRUE(ui_test::PumpUntil([&] { return ticks >= 3; }));

    timer.SetEnabled(false);
    int atStop = ticks;
    ui_test::PumpFor(80);
    EXPECT_EQ(ticks, atStop);

    timer.SetInterval(0);
    timer.SetEnabled(true);
    ui_test::PumpFor(80);
    EXPECT_EQ(ticks, atStop) << "interval 0 gives no ticks";
}

// The scan's start timer turns itself off in its handler and then runs the
// whole walk, which yields: no second tick may start inside the first.
TEST(UiTimer, HandlerIsNeverReenteredFromANestedYield) {
    Win32Timer timer;
    Win32UiServices services;
    int depth = 0, deepest = 0, entries = 0;
    timer.Tick = [&] {
        ++entries;
        deepest = std::max(deepest, ++depth);
        if (entries == 1) {
            const ULONGLONG end = ::GetTickCount64() + 120;  // several intervals
            while (::GetTickCount64() < end) {
                services.DoEvents();
                ::Sleep(1);
            }
        }
        --depth;
    };
    timer.SetInterval(10);
    timer.SetEnabled(true);
    ASSERT_TRUE(ui_test::PumpUntil([&] { return entries >= 3; }));
    EXPECT_EQ(deepest, 1);
}

TEST(UiTimer, SurvivesAHandlerThatThrowsOrDestroysItsTimer) {
    auto timer = std::make_unique<Win32Timer>();
    int ticks = 0;
    timer->Tick = [&] {
        if (++ticks == 1) throw std::runtime_error("handler failed");
        timer.reset();
    };
    timer->SetInterval(10);
    timer->SetEnabled(true);
    ASSERT_TRUE(ui_test::PumpUntil([&] { return timer == nullptr; }));
    EXPECT_EQ(ticks, 2);
    ui_test::PumpFor(40);
    EXPECT_EQ(ticks, 2);
}

}  // namespace
