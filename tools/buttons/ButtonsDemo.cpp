// A window showing the gradient button in every style and face, for looking
// at: up, hover, down, focused and disabled side by side. Given a number on
// its command line it closes itself after that many seconds.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "controls/win32/ButtonWindow.h"

using controls::win32::ButtonWindow;

namespace {

struct Row {
    const char* label;
    int buttonType;
    int xpType;
};

const Row kRows[] = {
    {"XP blue-grey", 1, 1}, {"XP beige", 1, 2}, {"XP silver", 1, 3}, {"Classic", 2, 1},
    {"Gradient", 3, 1},     {"Glossy", 4, 1},   {"Office XP", 5, 1},
};
const char* const kColumns[] = {"up", "hover", "down", "focused", "disabled"};

constexpr int kLeft = 110, kTop = 34, kCellW = 116, kCellH = 44, kButtonW = 100, kButtonH = 33;

std::vector<std::unique_ptr<ButtonWindow>> buttons;

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(window, &ps);
        ::SetBkMode(dc, TRANSPARENT);
        HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
        for (int c = 0; c < 5; ++c) ::TextOutA(dc, kLeft + c * kCellW + 30, 10, kColumns[c], static_cast<int>(std::strlen(kColumns[c])));
        for (int r = 0; r < static_cast<int>(std::size(kRows)); ++r)
            ::TextOutA(dc, 10, kTop + r * kCellH + 10, kRows[r].label, static_cast<int>(std::strlen(kRows[r].label)));
        ::SelectObject(dc, old);
        ::EndPaint(window, &ps);
        return 0;
    }
    case WM_TIMER:
        ::DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        buttons.clear();
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &FrameProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "VarnholtButtonsDemo";
    ::RegisterClassExA(&wc);

    RECT frame{0, 0, kLeft + 5 * kCellW, kTop + static_cast<int>(std::size(kRows)) * kCellH};
    ::AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = ::CreateWindowExA(0, wc.lpszClassName, "Varnholt buttons", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                                    frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;

    const char* const captions[] = {"Scan now", "&Repair", "Refresh", "Save && &Exit", "Apply"};
    for (int r = 0; r < static_cast<int>(std::size(kRows)); ++r) {
        for (int c = 0; c < 5; ++c) {
            controls::MemoryPropertyStore stored;
            stored.Put("Caption", std::string(captions[c]));
            stored.Put("XpType", std::int64_t{kRows[r].xpType});
            auto button = ButtonWindow::Create(window, "Command", {kLeft + c * kCellW, kTop + r * kCellH, kButtonW, kButtonH},
                                               stored, 1000 + r * 10 + c);
            auto& control = button->Control();
            // The setter, unlike loading, brings the glossy colours with it.
            if (kRows[r].buttonType != 1) control.SetButtonType(kRows[r].buttonType);
            switch (c) {
            case 1:
                control.OnMouseMove(0, 0, 5, 5);
                ::KillTimer(button->Handle(), 1);  // hold the hover face still for the picture
                break;
            case 2: control.OnMouseDown(1, 0, 5, 5); break;
            case 3: control.OnGotFocus(); break;
            case 4: button->SetEnabled(false); break;
            default: break;
            }
            buttons.push_back(std::move(button));
        }
    }

    ::ShowWindow(window, show);
    ::UpdateWindow(window);
    if (const int seconds = std::atoi(commandLine); seconds > 0) ::SetTimer(window, 1, seconds * 1000u, nullptr);

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}
