#pragma once
// A recording host for the button: system colours of a fixed palette, a
// settable pointer and default-button flag, and a log of what the control
// asked of its window and raised as events.
#include <memory>
#include <string>
#include <vector>

#include "controls/Command.h"
#include "fakes/RasterCanvas.h"

namespace buttontest {

using platform::Colour;
using platform::Rgb;

class FakeCommandHost : public controls::CommandHost {
public:
    std::string instanceName = "Command1";
    platform::Font ambientFont{"Verdana", 9.0, false, false};
    bool userMode = true;
    bool displayAsDefault = false;
    std::vector<std::string> changes;
    std::vector<std::string> log;  // window requests and raised events, in order
    bool windowEnabled = true;
    std::string accessKeys;
    controls::ButtonShape shape;
    int invalidations = 0;
    bool timerOn = false;
    int pointerX = 0, pointerY = 0;
    bool highContrast = false;

    std::string InstanceName() override { return instanceName; }
    platform::Font AmbientFont() override { return ambientFont; }
    bool UserMode() override { return userMode; }
    bool DisplayAsDefault() override { return displayAsDefault; }
    void PropertyChanged(const std::string& name) override { changes.push_back(name); }
    std::intptr_t WindowHandle() override { return 0x1234; }
    void SetWindowEnabled(bool on) override { windowEnabled = on; }
    void SetAccessKeys(const std::string& keys) override { accessKeys = keys; }
    void ApplyShape(const controls::ButtonShape& s) override { shape = s; }
    void Invalidate() override { ++invalidations; }
    void Refresh() override { log.push_back("Refresh"); }
    void SetHoverTimer(bool on) override { timerOn = on; }
    bool PointerPosition(int& x, int& y) override { x = pointerX; y = pointerY; return true; }
    void SendTab(bool backwards) override { log.push_back(backwards ? "SendTab back" : "SendTab"); }
    bool HighContrast() override { return highContrast; }
    Colour SystemColour(int index) override {
        switch (index) {
        case 13: return Rgb(26, 235, 255);
        case 14: return Rgb(0, 0, 1);
        case 17: return Rgb(63, 242, 63);
        case 15: return Rgb(236, 233, 216);
        case 16: return Rgb(172, 168, 153);
        case 18: return Rgb(0, 0, 0);
        case 20: return Rgb(255, 255, 255);
        case 21: return Rgb(113, 111, 100);
        case 22: return Rgb(241, 239, 226);
        default: return 0;
        }
    }
};

// What every button of the program stores.
inline controls::MemoryPropertyStore ProgramSettings(const std::string& caption = "") {
    controls::MemoryPropertyStore s;
    s.Put("XpType", std::int64_t{2});
    if (!caption.empty()) s.Put("Caption", caption);
    return s;
}
inline controls::MemoryPropertyStore Style(int buttonType, int xpType = 1, const std::string& caption = "") {
    controls::MemoryPropertyStore s;
    s.Put("ButtonType", std::int64_t{buttonType});
    s.Put("XpType", std::int64_t{xpType});
    s.Put("Caption", caption);
    return s;
}

// A button at run time as the program places it: created, loaded from a
// store, sized.
struct Button {
    FakeCommandHost host;
    fakes::RasterCanvas canvas;
    std::unique_ptr<controls::Command> command;

    explicit Button(int w = 97, int h = 33, const controls::MemoryPropertyStore& stored = ProgramSettings()) {
        command = std::make_unique<controls::Command>(host, canvas);
        command->ReadProperties(stored);
        command->Resize(w, h);
    }
    controls::Command& operator*() { return *command; }
    controls::Command* operator->() { return command.get(); }
    Colour At(int x, int y) const { return canvas.At(x, y); }

};

}  // namespace buttontest
