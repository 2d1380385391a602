#pragma once
// A real, shown top-level window for the user-interface tests, and a message
// pump that waits for a condition instead of sleeping.
#include <windows.h>

#include <functional>

namespace ui_test {

class TestWindow {
public:
    // Wine without a window manager waits up to two seconds for a shown
    // window to be withdrawn when it is destroyed: tests that need no
    // painting use a hidden one.
    explicit TestWindow(bool visible = false, int width = 640, int height = 400) {
        static const ATOM atom = [] {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &Proc;
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = "VarnholtUiTestWindow";
            return ::RegisterClassExA(&wc);
        }();
        (void)atom;
        handle_ = ::CreateWindowExA(0, "VarnholtUiTestWindow", "Varnholt test",
                                    WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 20, 20, width, height,
                                    nullptr, nullptr, ::GetModuleHandleA(nullptr), this);
        ::UpdateWindow(handle_);
    }
    ~TestWindow() {
        if (handle_) ::DestroyWindow(handle_);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return handle_; }
    // Called for every message of the window; return true to swallow it.
    std::function<bool(UINT, WPARAM, LPARAM)> OnMessage;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            ::SetWindowLongPtrA(window, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && self->OnMessage && self->OnMessage(message, wParam, lParam)) return 0;
        if (message == WM_NCDESTROY && self) self->handle_ = nullptr;
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
    HWND handle_ = nullptr;
};

// Handles messages until done() holds or a generous limit has passed (the
// limit only keeps a broken build from hanging; nothing is timed). Returns
// done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 5000) {
    const ULONGLONG end = ::GetTickCount64() + limitMs;
    while (!done()) {
        ULONGLONG now = ::GetTickCount64();
        if (now >= end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}

// Handles every message that arrives within ms milliseconds.
inline void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

}  // namespace ui_test
