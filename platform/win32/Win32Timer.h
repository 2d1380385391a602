#pragma once
// A timer of the user-interface services: WM_TIMER on a hidden message-only
// window of its own, so no host window has to route anything.
#include <windows.h>

#include <memory>

#include "platform/Ui.h"
#include "platform/win32/Window.h"

namespace platform::win32 {

class Win32Timer final : public Timer, private Window {
public:
    // Throws std::system_error when the window cannot be created.
    Win32Timer();
    ~Win32Timer() override;

    // Takes effect at once: a running timer restarts with the new interval.
    // Interval 0 means no ticks, even while enabled.
    void SetInterval(unsigned milliseconds) override;
    void SetEnabled(bool on) override;
    bool Enabled() const override;

    unsigned Interval() const { return interval_; }

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnTimer();
    void Arm();

    unsigned interval_ = 0;
    bool enabled_ = false;
    bool inTick_ = false;
    // Cleared when this object goes away, so a Tick handler that destroys its
    // own timer does not leave OnTimer writing to freed memory.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace platform::win32
