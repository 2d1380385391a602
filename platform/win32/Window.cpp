#include "platform/win32/Window.h"

#include <exception>
#include <system_error>

#include "platform/win32/Contrast.h"

namespace platform::win32 {

void ThrowLastError(const char* what) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), what);
}

double Milliseconds() {
    static const double perMs = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / perMs;
}

// The user data, not a window property: under Wine a property costs a round
// trip to its server, and a list asks its parent for every cell it draws.
Window* Window::Of(HWND window) {
    return window ? reinterpret_cast<Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA)) : nullptr;
}

Window* Window::OfOwnClass(HWND window) {
    if (!window || ::GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&Window::Procedure))
        return nullptr;
    return Of(window);
}

std::optional<LRESULT> Window::OnReflected(UINT, WPARAM, LPARAM) { return std::nullopt; }

bool Window::MoveFocusFrom(HWND, bool) { return false; }

bool Window::OnDialogKey(MSG& msg) { return ::IsDialogMessageW(window_, &msg) != FALSE; }

bool PreTranslateKeys(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
    if (Window* window = Window::OfOwnClass(::GetAncestor(msg.hwnd, GA_ROOT))) return window->OnDialogKey(msg);
    const HWND active = ::GetActiveWindow();
    return active && ::IsDialogMessageW(active, &msg);
}

Window::~Window() {
    if (!window_) return;
    HWND window = window_;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);  // no message reaches this object any more
    window_ = nullptr;
    ::DestroyWindow(window);
}

void Window::RegisterClassOnce(WNDCLASSEXW wc) {
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Window::Procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ThrowLastError("RegisterClassEx");
}

void Window::CreateOwn(const wchar_t* className, const wchar_t* text, DWORD style, const RECT& bounds, HWND parent,
                       int id, DWORD exStyle) {
    const HWND window = ::CreateWindowExW(exStyle, className, text, style, bounds.left, bounds.top,
                                          bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                          ::GetModuleHandleW(nullptr), this);
    if (!window) ThrowLastError("CreateWindowEx");
}

void Window::Adopt(HWND control) {
    window_ = control;
    ::SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void Window::Forget() {
    if (window_) ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    window_ = nullptr;
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void Window::OnFailure(const char* what) {
    ::OutputDebugStringA("Varnholt: a window handler failed: ");
    ::OutputDebugStringA(what);
    ::OutputDebugStringA("\n");
}

namespace {

// The control a message to its parent is about, for the messages reflected.
HWND ControlOf(UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY: return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    case WM_COMMAND:  // lParam 0: a menu or an accelerator
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR: return reinterpret_cast<HWND>(lParam);
    default: return nullptr;
    }
}

}  // namespace

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (created) created->Adopt(window);
    }
    Window* self = Of(window);
    if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        self->Forget();
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    // Every window of ours draws with the theme as it is now.
    if (message == WM_SETTINGCHANGE || message == WM_SYSCOLORCHANGE) ReadHighContrast();
    try {
        if (Window* control = Of(ControlOf(message, wParam, lParam)); control && control != self)
            if (const std::optional<LRESULT> answer = control->OnReflected(message, wParam, lParam)) return *answer;
        // Nothing of `self` may be used after this returns: the handler may
        // have destroyed the window and its object.
        return self->OnMessage(message, wParam, lParam);
    } catch (const std::exception& e) {
        if (Of(window) == self) self->OnFailure(e.what());  // told only while it is still there
    } catch (...) {
        if (Of(window) == self) self->OnFailure("Unexpected error.");
    }
    return 0;
}

}  // namespace platform::win32
