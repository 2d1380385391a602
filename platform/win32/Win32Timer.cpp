#include "platform/win32/Win32Timer.h"

namespace platform::win32 {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr wchar_t kClassName[] = L"VarnholtTimerWindow";

}  // namespace

Win32Timer::Win32Timer() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.lpszClassName = kClassName;
        RegisterClassOnce(wc);
        return true;
    }();
    (void)registered;
    CreateOwn(kClassName, L"", 0, RECT{}, HWND_MESSAGE);
}

Win32Timer::~Win32Timer() {
    *alive_ = false;
    ::KillTimer(Handle(), kTimerId);
}

void Win32Timer::SetInterval(unsigned milliseconds) {
    interval_ = milliseconds;
    Arm();
}

void Win32Timer::SetEnabled(bool on) {
    enabled_ = on;
    Arm();
}

bool Win32Timer::Enabled() const { return enabled_; }

void Win32Timer::Arm() {
    // KillTimer also takes any tick already queued off the message queue, so
    // nothing arrives after a disable.
    ::KillTimer(Handle(), kTimerId);
    if (enabled_ && interval_ > 0) ::SetTimer(Handle(), kTimerId, interval_, nullptr);
}

void Win32Timer::OnTimer() {
    if (!enabled_ || inTick_ || !Tick) return;  // a tick during the handler is dropped
    // Over when the handler returns or throws (a failing handler loses only
    // its own tick), unless it destroyed this timer.
    struct InTick {
        std::shared_ptr<bool> alive;
        bool& inTick;
        ~InTick() {
            if (*alive) inTick = false;
        }
    } inTick{alive_, inTick_};
    inTick_ = true;
    // A copy, so the handler may replace Tick or destroy this timer.
    std::function<void()> tick = Tick;
    tick();
}

LRESULT Win32Timer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kTimerId) {
        OnTimer();
        return 0;
    }
    return Window::OnMessage(message, wParam, lParam);
}

}  // namespace platform::win32
