#pragma once
// The Win32 window that hosts a gradient button (controls::Command): it owns
// the persistent GDI surface, shows it on WM_PAINT, gives the button its
// window shape, and turns mouse, keyboard, focus and timer messages into the
// button's notifications. To the forms it is a platform::PushButton.
//
//   controls::MemoryPropertyStore stored;           // the instance's stored settings
//   stored.Put("Caption", std::string("Scan"));
//   stored.Put("XpType", std::int64_t{2});
//   auto start = ButtonWindow::Create(form, "CommandStart", {24, 480, 121, 33}, stored);
//   start->Click = [&] { ... };
#include <windows.h>

#include <memory>
#include <string>

#include "controls/Command.h"
#include "controls/PropertyStore.h"
#include "platform/Ui.h"
#include "platform/win32/Accessible.h"
#include "platform/win32/GdiCanvas.h"
#include "platform/win32/Window.h"

namespace controls::win32 {

using platform::Colour;
using platform::Font;

class ButtonWindow final : public platform::PushButton,
                           public platform::win32::Window,
                           private controls::CommandHost,
                           private platform::win32::AccessibleParts {
public:
    struct Placement {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    // Creates the button as a visible tab-stop child of `parent`, loads the
    // stored settings (names as the button stores them; what is absent takes
    // its default, the font the ambient one) and gives it its size.
    // `name` is the instance name; `id` the child window id.
    // Throws std::system_error when the window cannot be created.
    static std::unique_ptr<ButtonWindow> Create(HWND parent, const std::string& name, const Placement& placement,
                                                const controls::PropertyStore& stored, int id = 0,
                                                const Font& ambientFont = Font{});
    ~ButtonWindow() override;

    // PushButton: what the forms use.
    void SetCaption(const std::string& text) override;
    std::string Caption() const override;
    void SetEnabled(bool on) override;
    bool Enabled() const override;
    bool HasFocus() const override;
    void TakeFocus() override;

    // The host shows this button as its default button (the focus ring
    // without the focus).
    void SetDefault(bool on);

    // Pressed by the window's Enter key or a screen reader: a click, once
    // the caller has returned, while the button is enabled.
    void Press();

    controls::Command& Control() { return command_; }
    const platform::win32::GdiCanvas& Surface() const { return canvas_; }

    static constexpr const wchar_t* kClassName = L"VarnholtCommand";

private:
    ButtonWindow(const std::string& name, const Font& ambientFont);
    static LRESULT CALLBACK AccessKeyHook(int code, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPaint();
    void OnButtonDown(std::int16_t button, WPARAM wParam, LPARAM lParam);
    void OnButtonUp(std::int16_t button, WPARAM wParam, LPARAM lParam);
    void OnMoveFocus(bool backwards);

    // CommandHost
    std::string InstanceName() override { return name_; }
    Font AmbientFont() override { return ambientFont_; }
    bool UserMode() override { return true; }
    bool DisplayAsDefault() override { return isDefault_; }
    void PropertyChanged(const std::string&) override {}
    std::intptr_t WindowHandle() override { return reinterpret_cast<std::intptr_t>(Handle()); }
    void SetWindowEnabled(bool on) override;
    void SetAccessKeys(const std::string& keys) override { accessKey_ = keys; }
    void ApplyShape(const controls::ButtonShape& shape) override;
    void Invalidate() override;
    void Refresh() override;
    void SetHoverTimer(bool on) override;
    bool PointerPosition(int& x, int& y) override;
    void SendTab(bool backwards) override;
    Colour SystemColour(int index) override;
    bool HighContrast() override;

    // AccessibleParts: the button alone, a push button named by its caption.
    int AccessibleCount() override { return 0; }
    platform::win32::AccessiblePart AccessiblePartOf(int child) override;
    void AccessibleDoDefault(int) override { Press(); }
    int AccessibleFocus() override { return HasFocus() ? 0 : -1; }
    void AccessibleTakeFocus(int) override { TakeFocus(); }

    std::string name_;
    Font ambientFont_;
    bool loaded_ = false;
    bool isDefault_ = false;
    bool leftPressed_ = false;  // a left press began on this button and may end in a click
    std::string accessKey_;
    platform::win32::GdiCanvas canvas_;
    controls::Command command_;
    platform::win32::AccessibleClient accessible_{*this};
    // Cleared when this object goes away: a handler that closed the window
    // from one of its events must not find the message handler touching it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace controls::win32
