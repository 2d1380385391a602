#pragma once
// The small kit every window of the program is built on: one C++ object per
// window, found again from its handle; one procedure for all of our window
// classes; the messages a control sends its parent handed back to the
// control's own object.
#include <windows.h>

#include <optional>

namespace platform::win32 {

// Throws std::system_error with the calling thread's last error.
[[noreturn]] void ThrowLastError(const char* what);

// Milliseconds on the performance counter.
double Milliseconds();

// For every message loop of the program, before a message is translated and
// dispatched: a key for one of our windows goes to the OnDialogKey of its
// top-level window, any other to the dialog keys of the active window. True
// when the message was taken.
bool PreTranslateKeys(MSG& msg);

class Window {
public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return window_; }

    // The object of one of our windows, or of a control adopted by one.
    // Every child of our windows is one of these, so a parent may ask.
    static Window* Of(HWND window);
    // The object of a window of one of our own classes (no adopted control);
    // null for any other window, whose user data is not ours to read.
    static Window* OfOwnClass(HWND window);

    // A notification, command or colour request that this window, as a
    // control, sent its parent; the parent hands it back here. Nothing
    // when the parent is to go on as if the control were not ours.
    virtual std::optional<LRESULT> OnReflected(UINT message, WPARAM wParam, LPARAM lParam);

    // Moves the keyboard focus on from `control`, one of this window's
    // children, as Tab (or Shift+Tab) would. False when the window keeps no
    // focus order of its own: the system's dialog order serves then.
    virtual bool MoveFocusFrom(HWND control, bool backwards);

protected:
    Window() = default;
    // Destroys the window if it is still there.
    virtual ~Window();

    // Registers a class of ours once (the kit's procedure, this module).
    static void RegisterClassOnce(WNDCLASSEXW wc);
    // Creates a window of one of our classes for this object: the object is
    // found from WM_NCCREATE on, and let go at WM_NCDESTROY.
    void CreateOwn(const wchar_t* className, const wchar_t* text, DWORD style, const RECT& bounds, HWND parent,
                   int id = 0, DWORD exStyle = 0);
    // A control of one of the system's classes, created by the caller; its
    // parent's notifications reach OnReflected.
    void Adopt(HWND control);
    // The window is gone (an adopted control tells from its own procedure).
    void Forget();

    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A key message for this top-level window or one of its children (see
    // PreTranslateKeys); by default the system's dialog keys. True when
    // taken.
    virtual bool OnDialogKey(MSG& msg);
    // A handler threw; nothing may cross the window procedure.
    virtual void OnFailure(const char* what);

private:
    friend bool PreTranslateKeys(MSG& msg);
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};

}  // namespace platform::win32
