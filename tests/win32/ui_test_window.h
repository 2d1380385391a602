#pragma once
// A real top-level window of ours (its children's notifications reach them)
// for the user-interface tests, and a message pump that waits for a
// condition instead of sleeping.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

#include "platform/win32/Window.h"
#include "platform/win32/WideText.h"

namespace ui_test {

class TestWindow final : public platform::win32::Window {
public:
    // Wine without a window manager waits up to two seconds for a shown
    // window to be withdrawn when it is destroyed: tests that need no
    // painting use a hidden one.
    explicit TestWindow(bool visible = false, int width = 640, int height = 400) {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = L"VarnholtUiTestWindow";
            RegisterClassOnce(wc);
            return true;
        }();
        (void)registered;
        CreateOwn(L"VarnholtUiTestWindow", L"Varnholt test", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0),
                  RECT{20, 20, 20 + width, 20 + height}, nullptr);
        ::UpdateWindow(Handle());
    }

    // Called for every message of the window; return true to swallow it.
    std::function<bool(UINT, WPARAM, LPARAM)> onMessage;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (onMessage && onMessage(message, wParam, lParam)) return 0;
        return Window::OnMessage(message, wParam, lParam);
    }
};

// What a list view shows in a cell and whether a row shows its tick, asked
// of the control as it asks when it draws (rows count from 1).
inline std::string ShownText(HWND list, int row, int column) {
    wchar_t buffer[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 1024;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row - 1), reinterpret_cast<LPARAM>(&item));
    return platform::win32::Utf8(buffer);
}
inline bool ShownTick(HWND list, int row) {
    return ::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row - 1), LVIS_STATEIMAGEMASK) ==
           INDEXTOSTATEIMAGEMASK(2);
}

// Handles messages until done() holds or a generous limit has passed (the
// limit only keeps a broken build from hanging; nothing is timed), as the
// program's own loops do: keys go to the window's own key handling first.
// Returns done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 5000) {
    const ULONGLONG end = ::GetTickCount64() + limitMs;
    while (!done()) {
        ULONGLONG now = ::GetTickCount64();
        if (now >= end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (platform::win32::PreTranslateKeys(msg)) continue;
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
