#pragma once
// What a button takes from the window that holds it. The Win32 button window
// supplies the real thing; tests supply a recording fake.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace controls {

// The window shape of a button: its client rectangle less the listed pixels.
struct ButtonShape {
    int width = 0;
    int height = 0;
    struct Dot { int x, y; friend bool operator==(const Dot&, const Dot&) = default; };
    std::vector<Dot> removed;
};

class CommandHost {
public:
    virtual ~CommandHost() = default;

    // The instance's own name on its window (the caption of a new instance).
    virtual std::string InstanceName() = 0;
    virtual platform::Font AmbientFont() = 0;
    // True while the host runs, false while it is being designed.
    virtual bool UserMode() = 0;
    // The host shows this control as its default button.
    virtual bool DisplayAsDefault() = 0;
    // The stored settings are out of date: the named property changed.
    virtual void PropertyChanged(const std::string& name) = 0;

    virtual std::intptr_t WindowHandle() = 0;
    virtual void SetWindowEnabled(bool on) = 0;
    // The keys that, pressed with Alt, activate the control ("" for none).
    virtual void SetAccessKeys(const std::string& keys) = 0;
    virtual void ApplyShape(const ButtonShape& shape) = 0;
    // The surface changed: show it when the window next paints.
    virtual void Invalidate() = 0;
    // Show the surface now, before anything else runs.
    virtual void Refresh() = 0;

    // The 10 ms hover timer.
    virtual void SetHoverTimer(bool on) = 0;
    // The pointer in client coordinates; false when it cannot be read.
    virtual bool PointerPosition(int& x, int& y) = 0;
    // Moves the focus to the next (or previous) control in tab order, later,
    // as the Tab key would.
    virtual void SendTab(bool backwards) = 0;

    // System colours by index (13 selection, 14 selection text, 15 face,
    // 16 shadow, 17 grey text, 18 text, 20 highlight, 21 dark shadow,
    // 22 light).
    virtual platform::Colour SystemColour(int index) = 0;
    // A high-contrast theme is on: the button draws with the system's
    // colours alone.
    virtual bool HighContrast() { return false; }
};

}  // namespace controls
