#pragma once
// What the Windows benchmarks share: a shown window to host the controls
// they time, and a clock.
#include <windows.h>

#include "platform/win32/Window.h"

namespace bench {

// Seconds on the performance counter.
inline double Now() { return platform::win32::Milliseconds() / 1000; }

// A shown top-level window of ours, so that the controls it hosts get their
// notifications; the benchmark decides when it ends.
class Host final : public platform::win32::Window {
public:
    Host(const wchar_t* title, DWORD style, int width, int height) {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = L"VarnholtBenchHost";
            RegisterClassOnce(wc);
            return true;
        }();
        (void)registered;
        CreateOwn(L"VarnholtBenchHost", title, style, RECT{10, 10, 10 + width, 10 + height}, nullptr);
        ::ShowWindow(Handle(), SW_SHOWNORMAL);
        ::UpdateWindow(Handle());
    }

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CLOSE) return 0;
        return Window::OnMessage(message, wParam, lParam);
    }
};

}  // namespace bench
