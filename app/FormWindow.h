#pragma once
// One window of the program, built from its stored layout: a borderless
// fixed-size popup that paints its background picture, frame pictures,
// outlines and labels itself, and hosts real child windows for the check
// boxes, lists and gradient buttons. Mouse input over the painted parts is
// turned into the frame's notifications (move, down, up, click).
//
// Every page and the scan window derive from it and add their own logic in
// Form_Load. Requests that would destroy a window (close, page switch) are
// posted and run from the window's own message, never under a caller.
//
// The keyboard reaches every painted part that reacts to a click (the frame's
// images, the page's links) after the child windows, in one Tab order; the
// part with the focus shows a dotted mark. A screen reader finds the painted
// parts and the child windows through the window's IAccessible. Under a
// high-contrast theme the window draws with the system's colours alone.
#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "controls/win32/ButtonWindow.h"
#include "platform/win32/Win32ListView.h"
#include "app/Artwork.h"
#include "platform/win32/Accessible.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/Window.h"
#include "shell/Frame.h"
#include "shell/Layouts.h"

namespace app {

using controls::win32::ButtonWindow;
using platform::win32::Win32ListView;

class FormWindow;

// A text drawn by its window onto the background.
class PaintedLabel final : public platform::Label {
public:
    PaintedLabel(FormWindow& form, const shell::layout::LabelSpec& entry);
    // Fonts and place again, at the window's density.
    void Rescale();
    void SetCaption(const std::string& text) override;
    std::string Caption() const override { return text_; }
    void SetUnderline(bool on) override;
    void Announce() override;

    bool Underlined() const { return underline_; }
    const RECT& Bounds() const { return bounds_; }
    const shell::layout::LabelSpec& Entry() const { return spec_; }
    // In its own colour, or in `ink`.
    void Paint(HDC dc, std::optional<COLORREF> ink = std::nullopt) const;

private:
    void Measure();
    UINT Format() const;
    void Changed(const RECT& before);

    FormWindow& form_;
    shell::layout::LabelSpec spec_;
    std::string text_;
    bool underline_ = false;
    gdi::Font font_, underlined_;
    RECT bounds_{};
};

// Stacked pictures, exactly one shown; with one image it is a plain picture.
class PaintedPictureSet final : public platform::PictureSet {
public:
    PaintedPictureSet(FormWindow& form, const shell::layout::PictureSpec& entry);
    // Place again, at the window's density.
    void Rescale();
    void Show(int index) override;
    int Shown() const override { return shown_; }

    const RECT& Bounds() const { return bounds_; }
    const shell::layout::PictureSpec& Entry() const { return spec_; }
    void Paint(HDC dc) const;

private:
    FormWindow& form_;
    shell::layout::PictureSpec spec_;
    RECT bounds_{};
    int shown_ = 0;
};

// A check box child window with its own colours.
class CheckBoxWindow final : public platform::CheckBox, public platform::win32::Window {
public:
    CheckBoxWindow(HWND parent, const shell::layout::CheckSpec& entry, int id, int dpi);

    void SetValue(int value) override;
    int Value() const override;

    // Font and place at `dpi` dots per inch.
    void Rescale(int dpi);
    // Its clicks and colour requests, from its parent.
    std::optional<LRESULT> OnReflected(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    shell::layout::CheckSpec spec_;
    gdi::Font font_;
    gdi::Brush background_;
    gdi::Brush contrast_;  // the window colour of a high-contrast theme
    COLORREF contrastColour_ = CLR_INVALID;
};

// What a picture of the frame does, found from its name once at load.
struct FrameRole {
    enum Kind { None, Caption, Min, Exit, Navigation } kind = None;
    shell::Page page = shell::Page::Scanner;  // of a navigation image
};

class FormWindow : public platform::win32::Window, private platform::win32::AccessibleParts {
public:
    // `files` gives the application folder, where the background lies.
    FormWindow(const shell::layout::WindowLayout& layout, platform::FileSystem& files, shell::FrameActions frameActions);
    ~FormWindow() override;

    // Creates the window hidden, owned by `owner`, with every control of its
    // layout, then runs the load step: background picture and frame pictures
    // first, then the window's own work. Throws PictureError when the
    // background picture cannot be loaded. The window is made at `at`
    // (screen pixels), so that it takes the density of that place's screen.
    void Create(HWND owner, POINT at = {});

    // Dots per inch of the screen the window is on; its sizes, places and
    // fonts are the layout's twips at this density.
    int Dpi() const { return dpi_; }
    const shell::layout::WindowLayout& Layout() const { return layout_; }

    // The controls by their layout names (for the window's logic and tests);
    // throw std::out_of_range for a name the window does not have.
    PaintedLabel& LabelNamed(const std::string& name);
    PaintedPictureSet& PictureNamed(const std::string& name);
    CheckBoxWindow& CheckNamed(const std::string& name);
    ButtonWindow& ButtonNamed(const std::string& name);
    Win32ListView& ListNamed(const std::string& name);
    shell::Frame& FrameLogic() { return *frame_; }

    // The control window that takes the focus first.
    HWND FirstFocus() const;

    // Runs `task` from this window's own message, once the current handler
    // has returned. A task may destroy the window.
    void Post(std::function<void()> task);

    // Redraws `area` (client pixels) at the next paint.
    void Invalidate(const RECT& area);

    // Tab (or Shift+Tab) from `control`, a child window, through the one
    // focus order of child windows and painted parts.
    bool MoveFocusFrom(HWND control, bool backwards) override;

    // Screen readers: a label's `event` (its text changed, or is news), and
    // a label made a live region, whose news a reader says.
    void TellReaders(const PaintedLabel& label, DWORD event);
    void MarkLive(const PaintedLabel& label);

protected:
    virtual void Form_Load() = 0;
    virtual void OnCloseRequest() = 0;  // the system's close command
    // Pointer over the window's own background (after the frame reset).
    virtual void OnFormMouseMove() {}
    virtual void OnLabelMouseMove(const std::string&) {}
    virtual void OnLabelClick(const std::string&) {}
    // The Esc key.
    virtual void OnEscape() {}
    // The session is to end (a logoff, a shutdown): false keeps it.
    virtual bool OnQueryEndSession() { return true; }
    // It ends: the program may be ended as soon as this returns.
    virtual void OnEndSession() {}

    // Made by Create, once the picture sets exist.
    std::optional<shell::Frame> frame_;

private:
    // What lies under the pointer: a picture (set) or a label, by index.
    struct Target {
        enum Kind { None, Picture, Label } kind = None;
        int index = -1;
        bool operator==(const Target&) const = default;
    };

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnDialogKey(MSG& msg) override;
    void OnFailure(const char* what) override;
    void OnPaint();
    void PaintScene(HDC dc, const RECT& area);
    // A frame image as a flat button of the high-contrast theme.
    void PaintContrastPicture(HDC dc, int index) const;
    Target HitTest(POINT p) const;
    void OnMouseMove(POINT p);
    void OnButtonDown(int button, POINT p);
    void OnButtonUp(int button, POINT p);
    void TargetMouseMove(const Target& t);
    void TargetMouseDown(const Target& t, int button);
    void TargetMouseUp(const Target& t);
    void TargetClick(const Target& t);
    void OnActivate(bool active);
    void OnThemeChanged(UINT message, WPARAM wParam, LPARAM lParam);

    // The painted parts that take the focus, after the child windows: the
    // page's links, the navigation images, minimise and close.
    void MakeFocusStops();
    // Where the focus is in the whole order (child windows first, then the
    // painted parts); -1 when it is in none of them.
    int FocusPosition(HWND focus) const;
    void MoveFocus(int from, bool backwards);
    void FocusStop(int stop);
    // Whether the focused painted part shows its mark now.
    bool StopMarked() const;
    RECT MarkRect(int stop) const;
    void InvalidateStop(int stop);
    // A press of a painted part from the keyboard or a screen reader: what
    // its click does.
    void PressStop(int stop);
    void OnStopKey(UINT message, WPARAM key, LPARAM flags);
    // AccessibleParts: the window, then the child windows, the painted parts
    // that take the focus and the other texts.
    int AccessibleCount() override;
    platform::win32::AccessiblePart AccessiblePartOf(int child) override;
    void AccessibleDoDefault(int child) override;
    int AccessibleFocus() override;
    void AccessibleTakeFocus(int child) override;
    // A label's child id for screen readers; -1 before the parts are counted.
    int AccessibleIdOf(const PaintedLabel& label) const;
    void OnEnable(bool enabled);

    void RunPosted();
    void CreateControls();
    SIZE ClientSize() const;
    // The back buffer and the background as shown, at the window's size.
    void MakeSurfaces();
    void PlaceList(const shell::layout::ListSpec& entry, Win32ListView& list);
    void OnDpiChanged(int dpi, const RECT& suggested);

    const shell::layout::WindowLayout& layout_;
    platform::FileSystem& files_;
    shell::FrameActions frameActions_;
    int dpi_ = shell::layout::kLayoutDpi;
    std::optional<Picture> background_;
    gdi::Bitmap scaledBackground_;  // on a denser screen than the picture's
    gdi::Bitmap backBuffer_;
    std::vector<std::unique_ptr<PaintedPictureSet>> pictures_;
    std::vector<FrameRole> roles_;  // one per picture set
    std::vector<std::unique_ptr<PaintedLabel>> labels_;
    std::map<std::string, std::unique_ptr<CheckBoxWindow>> checks_;
    std::map<std::string, std::unique_ptr<Win32ListView>> lists_;
    std::map<std::string, std::unique_ptr<ButtonWindow>> buttons_;
    std::map<std::string, gdi::Font> listFonts_;
    std::vector<HWND> focusOrder_;
    std::vector<Target> stops_;      // the painted parts that take the focus, in order
    std::vector<int> staticLabels_;  // the labels no click reaches, for screen readers
    int focusedStop_ = -1;           // the one with the focus when the window itself has it
    bool spaceDown_ = false;         // the space bar went down on it
    HWND lastFocus_ = nullptr;
    Target pressed_;
    int pressedButton_ = 0;
    std::deque<std::function<void()>> posted_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    platform::win32::AccessibleClient accessible_{*this};
};

// Message posted to a form window to run its posted tasks.
constexpr UINT kRunPosted = WM_APP + 1;

// Registered once; every form window is of this class.
constexpr const wchar_t* kFormClassName = L"VarnholtForm";

}  // namespace app
