#include "controls/win32/ButtonWindow.h"

#include <windowsx.h>
#include <oleacc.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/win32/Contrast.h"
#include "platform/win32/WideText.h"

namespace controls::win32 {

using platform::win32::Wide;

namespace {

constexpr UINT_PTR kHoverTimer = 1;
constexpr UINT kHoverInterval = 10;
// Posted to itself: the arrow keys move the focus after the key has been
// handled, as a Tab keystroke would; an access key found by the hook is
// handled by the button's own window procedure, not inside the hook.
constexpr UINT kMoveFocus = WM_USER + 1;
constexpr UINT kAccessKey = WM_USER + 2;

// Every live button of the thread, for the access-key hook.
std::vector<ButtonWindow*>& LiveButtons() {
    static std::vector<ButtonWindow*> buttons;
    return buttons;
}
HHOOK accessKeyHook = nullptr;

std::int16_t ShiftState() {
    std::int16_t shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0) shift |= 1;
    if (::GetKeyState(VK_CONTROL) < 0) shift |= 2;
    if (::GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

std::int16_t MouseButtons(WPARAM wParam) {
    std::int16_t buttons = 0;
    if (wParam & MK_LBUTTON) buttons |= 1;
    if (wParam & MK_RBUTTON) buttons |= 2;
    if (wParam & MK_MBUTTON) buttons |= 4;
    return buttons;
}

std::int16_t MouseShift(WPARAM wParam) {
    std::int16_t shift = 0;
    if (wParam & MK_SHIFT) shift |= 1;
    if (wParam & MK_CONTROL) shift |= 2;
    if (::GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

}  // namespace

std::unique_ptr<ButtonWindow> ButtonWindow::Create(HWND parent, const std::string& name, const Placement& placement,
                                                   const controls::PropertyStore& stored, int id, const Font& ambientFont) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.style = CS_DBLCLKS;
        wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kClassName;
        RegisterClassOnce(wc);
        return true;
    }();
    (void)registered;

    std::unique_ptr<ButtonWindow> self(new ButtonWindow(name, ambientFont));
    self->CreateOwn(kClassName, Wide(name).c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS,
                    RECT{placement.x, placement.y, placement.x + placement.width, placement.y + placement.height}, parent,
                    id);

    // Load first (its closing paint draws nothing at size 0), then the first
    // re-size shapes and paints.
    self->command_.ReadProperties(stored);
    self->loaded_ = true;
    RECT client{};
    ::GetClientRect(self->Handle(), &client);
    self->command_.Resize(client.right - client.left, client.bottom - client.top);
    return self;
}

ButtonWindow::ButtonWindow(const std::string& name, const Font& ambientFont)
    : name_(name), ambientFont_(ambientFont), command_(*this, canvas_) {
    command_.Click = [this] {
        // A copy: the handler may destroy this button, and the member with it.
        auto handler = PushButton::Click;
        if (handler) handler();
    };
    auto& live = LiveButtons();
    live.push_back(this);
    if (!accessKeyHook)
        accessKeyHook = ::SetWindowsHookExW(WH_GETMESSAGE, &ButtonWindow::AccessKeyHook, nullptr, ::GetCurrentThreadId());
}

ButtonWindow::~ButtonWindow() {
    *alive_ = false;
    if (Handle()) ::KillTimer(Handle(), kHoverTimer);
    auto& live = LiveButtons();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    if (live.empty() && accessKeyHook) {
        ::UnhookWindowsHookEx(accessKeyHook);
        accessKeyHook = nullptr;
    }
}

// ------------------------------------------------------------- PushButton

void ButtonWindow::SetCaption(const std::string& text) { command_.SetCaption(text); }
std::string ButtonWindow::Caption() const { return command_.Caption(); }
void ButtonWindow::SetEnabled(bool on) { command_.SetEnabled(on); }
bool ButtonWindow::Enabled() const { return command_.Enabled(); }

bool ButtonWindow::HasFocus() const { return Handle() && ::GetFocus() == Handle(); }

void ButtonWindow::TakeFocus() {
    if (Handle()) ::SetFocus(Handle());
}

void ButtonWindow::SetDefault(bool on) {
    isDefault_ = on;
    command_.AmbientChanged();
}

void ButtonWindow::Press() {
    if (Handle()) ::PostMessageW(Handle(), kAccessKey, 0, 0);  // the access key's click steps
}

platform::win32::AccessiblePart ButtonWindow::AccessiblePartOf(int) {
    platform::win32::AccessiblePart part;
    part.name = platform::win32::WithoutAccessMarks(Caption());
    part.role = ROLE_SYSTEM_PUSHBUTTON;
    part.state = STATE_SYSTEM_FOCUSABLE;
    if (HasFocus()) part.state |= STATE_SYSTEM_FOCUSED;
    if (!Enabled() || !platform::win32::TakesInput(Handle())) part.state |= STATE_SYSTEM_UNAVAILABLE;
    if (command_.DrawState() == controls::kStateDown) part.state |= STATE_SYSTEM_PRESSED;
    if (isDefault_) part.state |= STATE_SYSTEM_DEFAULT;
    if (command_.IsHover()) part.state |= STATE_SYSTEM_HOTTRACKED;
    if (Handle()) ::GetClientRect(Handle(), &part.bounds);
    part.defaultAction = "Press";
    if (!accessKey_.empty())
        part.shortcut = "Alt+" + std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(accessKey_[0]))));
    return part;
}

// ------------------------------------------------------------ CommandHost
// Every request is dropped once the window is gone (a parent destroyed
// first takes its children with it): a null window handle would make some
// of these calls act on the whole desktop.

void ButtonWindow::SetWindowEnabled(bool on) {
    if (!Handle()) return;
    if (!on && ::GetFocus() == Handle()) {
        // Disabling the focused window leaves no window with the focus, and
        // then Tab reaches no control: hand the focus on first, to the next
        // control of the tab order that takes it (the window itself when
        // none does).
        HWND parent = ::GetParent(Handle());
        HWND next = parent ? ::GetNextDlgTabItem(parent, Handle(), FALSE) : nullptr;
        ::SetFocus(next && next != Handle() ? next : parent);
    }
    ::EnableWindow(Handle(), on ? TRUE : FALSE);
    ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, Handle(), OBJID_CLIENT, CHILDID_SELF);
}

void ButtonWindow::ApplyShape(const controls::ButtonShape& shape) {
    if (!Handle()) return;
    if (shape.removed.empty()) {
        // The full rectangle: no region at all is the same shape.
        ::SetWindowRgn(Handle(), nullptr, TRUE);
        return;
    }
    HRGN region = ::CreateRectRgn(0, 0, shape.width, shape.height);
    if (!region) return;
    for (const auto& dot : shape.removed) {
        HRGN piece = ::CreateRectRgn(dot.x, dot.y, dot.x + 1, dot.y + 1);
        if (!piece) continue;
        ::CombineRgn(region, region, piece, RGN_DIFF);
        ::DeleteObject(piece);
    }
    // Once applied the region belongs to the window.
    if (!::SetWindowRgn(Handle(), region, TRUE)) ::DeleteObject(region);
}

Colour ButtonWindow::SystemColour(int index) { return platform::win32::SchemeColour(index); }

bool ButtonWindow::HighContrast() { return platform::win32::HighContrast(); }

void ButtonWindow::Invalidate() {
    if (Handle()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

void ButtonWindow::Refresh() {
    if (Handle()) ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void ButtonWindow::SetHoverTimer(bool on) {
    if (!Handle()) return;
    if (on)
        ::SetTimer(Handle(), kHoverTimer, kHoverInterval, nullptr);
    else
        ::KillTimer(Handle(), kHoverTimer);
}

bool ButtonWindow::PointerPosition(int& x, int& y) {
    POINT p{};
    if (!Handle() || !::GetCursorPos(&p) || !::ScreenToClient(Handle(), &p)) return false;
    x = p.x;
    y = p.y;
    return true;
}

void ButtonWindow::SendTab(bool backwards) {
    if (Handle()) ::PostMessageW(Handle(), kMoveFocus, backwards ? 1 : 0, 0);
}

void ButtonWindow::OnMoveFocus(bool backwards) {
    HWND parent = ::GetParent(Handle());
    if (!parent) return;
    // A window of ours keeps its own focus order (it may hold parts that
    // are no windows); any other has the dialog order.
    if (Window* host = Window::OfOwnClass(parent); host && host->MoveFocusFrom(Handle(), backwards)) return;
    HWND next = ::GetNextDlgTabItem(parent, Handle(), backwards ? TRUE : FALSE);
    if (next && next != Handle()) ::SetFocus(next);
}

// --------------------------------------------------------------- messages

LRESULT ButtonWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // the surface covers everything
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SIZE:
        if (loaded_) command_.Resize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
        OnButtonDown(1, wParam, lParam);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:  // the second press of a quick double click is a press as well
        OnButtonDown(2, wParam, lParam);
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        OnButtonDown(4, wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(1, wParam, lParam);
        return 0;
    case WM_RBUTTONUP:
        OnButtonUp(2, wParam, lParam);
        return 0;
    case WM_MBUTTONUP:
        OnButtonUp(4, wParam, lParam);
        return 0;
    case WM_LBUTTONDBLCLK:
        // The second press of a double click: the face goes down again, but
        // its release clicks no second time.
        ::SetCapture(Handle());
        leftPressed_ = false;
        command_.OnDblClick();
        return 0;
    case WM_MOUSEMOVE:
        command_.OnMouseMove(MouseButtons(wParam), MouseShift(wParam), static_cast<float>(GET_X_LPARAM(lParam)),
                             static_cast<float>(GET_Y_LPARAM(lParam)));
        return 0;
    case WM_KEYDOWN:
        command_.OnKeyDown(static_cast<std::int16_t>(wParam), ShiftState());
        return 0;
    case WM_CHAR:
        command_.OnKeyPress(static_cast<std::int16_t>(wParam));
        return 0;
    case WM_KEYUP:
        command_.OnKeyUp(static_cast<std::int16_t>(wParam), ShiftState());
        return 0;
    case WM_SETFOCUS:
        command_.OnGotFocus();
        return 0;
    case WM_KILLFOCUS:
        command_.OnLostFocus();
        return 0;
    case WM_TIMER:
        if (wParam == kHoverTimer) command_.OnTimer1();
        return 0;
    case kMoveFocus:
        OnMoveFocus(wParam != 0);
        return 0;
    case kAccessKey:
        // Posted: by the time it runs, the window it lies in may have been
        // disabled (a modal window opened over it).
        if (platform::win32::TakesInput(Handle())) command_.OnAccessKeyPress(static_cast<std::int16_t>(wParam));
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        // The theme may have changed: the surface is drawn again.
        command_.AmbientChanged();
        return 0;
    case WM_GETOBJECT:
        if (const auto answer = accessible_.Answer(Handle(), wParam, lParam)) return *answer;
        return ::DefWindowProcW(Handle(), message, wParam, lParam);
    default:
        return ::DefWindowProcW(Handle(), message, wParam, lParam);
    }
}

void ButtonWindow::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(Handle(), &ps);
    if (dc) {
        ::BitBlt(dc, 0, 0, canvas_.Width(), canvas_.Height(), canvas_.Dc(), 0, 0, SRCCOPY);
        ::EndPaint(Handle(), &ps);
    }
}

void ButtonWindow::OnButtonDown(std::int16_t button, WPARAM wParam, LPARAM lParam) {
    // A pressed button takes the focus, and keeps the pointer until the
    // release so that a drag out and back is followed.
    if (::GetFocus() != Handle()) ::SetFocus(Handle());
    std::weak_ptr<bool> alive = alive_;
    if (alive.expired() || !Handle()) return;
    ::SetCapture(Handle());
    if (button == 1) leftPressed_ = true;
    command_.OnMouseDown(button, MouseShift(wParam), static_cast<float>(GET_X_LPARAM(lParam)),
                         static_cast<float>(GET_Y_LPARAM(lParam)));
}

void ButtonWindow::OnButtonUp(std::int16_t button, WPARAM wParam, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    if (!(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && ::GetCapture() == Handle()) ::ReleaseCapture();
    std::weak_ptr<bool> alive = alive_;
    command_.OnMouseUp(button, MouseShift(wParam), static_cast<float>(x), static_cast<float>(y));
    if (alive.expired() || !Handle()) return;
    if (button != 1) return;
    // A click is a left press and release on the button.
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const bool inside = x >= 0 && y >= 0 && x < client.right && y < client.bottom;
    const bool clicked = leftPressed_ && inside;
    leftPressed_ = false;
    if (clicked) command_.OnClick();
}

LRESULT CALLBACK ButtonWindow::AccessKeyHook(int code, WPARAM wParam, LPARAM lParam) {
    // Alt with a letter arrives as WM_SYSCHAR at whatever has the focus; the
    // button of that letter may be any button of the same top-level window.
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        auto* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message == WM_SYSCHAR && msg->hwnd && msg->wParam < 0x80) {
            HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
            const char typed = static_cast<char>(std::tolower(static_cast<unsigned char>(msg->wParam)));
            for (ButtonWindow* button : LiveButtons()) {
                HWND w = button->Handle();
                if (!w || button->accessKey_.empty() || button->accessKey_[0] != typed) continue;
                if (::GetAncestor(w, GA_ROOT) != root || !::IsWindowVisible(w) || !::IsWindowEnabled(w)) continue;
                ::PostMessageW(w, kAccessKey, msg->wParam, 0);
                msg->message = WM_NULL;
                break;
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace controls::win32
