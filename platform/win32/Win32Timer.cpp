#include "platform/win32/Win32Timer.h"

#include <system_error>

namespace platform::win32 {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr wchar_t kClassName[] = L"VarnholtTimerWindow";

ATOM RegisterTimerClass(WNDPROC proc) {
    static const ATOM atom = [proc] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc);
    }();
    return atom;
}

}  // namespace

Win32Timer::Win32Timer() {
    if (!RegisterTimerClass(&WindowProc))
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                                "RegisterClassEx (timer)");
    window_ = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
    if (!window_)
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                                "CreateWindowEx (timer)");
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32Timer::~Win32Timer() {
    *alive_ = false;
    ::KillTimer(window_, kTimerId);
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
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
    ::KillTimer(window_, kTimerId);
    if (enabled_ && interval_ > 0) ::SetTimer(window_, kTimerId, interval_, nullptr);
}

void Win32Timer::OnTimer() {
    if (!enabled_ || inTick_ || !Tick) return;  // a tick during the handler is dropped
    std::shared_ptr<bool> alive = alive_;
    inTick_ = true;
    try {
        // A copy, so the handler may replace Tick or destroy this timer.
        std::function<void()> tick = Tick;
        tick();
    } catch (...) {
        // Nothing may leave a window procedure; a failing handler loses only
        // this tick.
        ::OutputDebugStringA("Varnholt: a timer handler failed\n");
    }
    if (*alive) inTick_ = false;
}

LRESULT CALLBACK Win32Timer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kTimerId) {
        auto* self = reinterpret_cast<Win32Timer*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self) self->OnTimer();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace platform::win32
