#pragma once
// What a window of ours tells a screen reader: its own IAccessible, handed
// out for WM_GETOBJECT with OBJID_CLIENT, over the parts the window draws
// itself (which the system cannot see) and the child windows between them
// (which keep the system's objects, or their own).
//
//   class Form : public Window, private AccessibleParts { ... AccessibleClient accessible_{*this}; };
//   case WM_GETOBJECT:
//       if (auto answer = accessible_.Answer(Handle(), wParam, lParam)) return *answer;
#include <windows.h>

#include <optional>
#include <string>

// Windows 8's, past the version the build aims at; older systems pass it
// over.
#ifndef EVENT_OBJECT_LIVEREGIONCHANGED
#define EVENT_OBJECT_LIVEREGIONCHANGED 0x8019
#endif

namespace platform::win32 {

// One part of a window: the window itself (child 0) or one of its children
// (1 to the count, in focus order).
struct AccessiblePart {
    std::string name;  // UTF-8
    long role = 0;     // ROLE_SYSTEM_...
    long state = 0;    // STATE_SYSTEM_...
    RECT bounds{};     // in the window's client pixels
    std::string defaultAction;  // none when empty
    std::string shortcut;       // the keys that reach or press it, e.g. "Ctrl+3"
    // A child window: its own object answers for it, and the rest is unused.
    HWND window = nullptr;
};

class AccessibleParts {
public:
    virtual ~AccessibleParts() = default;
    virtual int AccessibleCount() = 0;
    virtual AccessiblePart AccessiblePartOf(int child) = 0;
    // Does what a click does, from the window's own message: a screen
    // reader's call returns before the action runs (it may open a window).
    virtual void AccessibleDoDefault(int child) = 0;
    // The part that holds the keyboard focus: 0 the window itself, a child,
    // or -1 when the focus lies elsewhere.
    virtual int AccessibleFocus() = 0;
    virtual void AccessibleTakeFocus(int child) = 0;
};

class AccessibleObject;

// The window's end of its IAccessible: made at the first question, cut off
// from the window when the window goes (a screen reader may hold it longer).
class AccessibleClient {
public:
    explicit AccessibleClient(AccessibleParts& parts) : parts_(parts) {}
    ~AccessibleClient();
    AccessibleClient(const AccessibleClient&) = delete;
    AccessibleClient& operator=(const AccessibleClient&) = delete;

    // The answer to WM_GETOBJECT; nothing for objects other than the client.
    std::optional<LRESULT> Answer(HWND window, WPARAM wParam, LPARAM lParam);

private:
    AccessibleParts& parts_;
    AccessibleObject* object_ = nullptr;
};

// Tells screen readers that `child` of the window (0 the window itself) now
// holds the keyboard focus.
void NotifyAccessibleFocus(HWND window, int child);
// Tells screen readers of another change of `child`: EVENT_OBJECT_NAMECHANGE,
// EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_LIVEREGIONCHANGED.
void NotifyAccessible(HWND window, DWORD event, int child);

// Whether input reaches `window`: it and every window it lies in are
// enabled. A part of a disabled window acts on nothing, whoever asks.
bool TakesInput(HWND window);

// Marks `child` of the window a polite live region: a reader says its text
// when it hears EVENT_OBJECT_LIVEREGIONCHANGED for it. (The annotation does
// nothing under Wine, whose readers take the event alone.)
void MarkLiveRegion(HWND window, int child);
// The name a reader gives a child window of the system's classes (a list):
// its annotation, and the window's text, which the system's object takes
// for its name where annotations are not kept (Wine).
void NameChildWindow(HWND window, const std::string& name);
// Says `text` once, where the system has UI Automation notifications
// (Windows 10 1709 and later); nothing elsewhere.
void RaiseNotification(HWND window, const std::string& text);

// A caption without its access-key marks: "&Scan" reads "Scan", "&&" "&".
std::string WithoutAccessMarks(const std::string& caption);

}  // namespace platform::win32
