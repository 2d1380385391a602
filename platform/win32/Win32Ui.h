#pragma once
// The message box, yield and clock of the user-interface services, over
// user32 and kernel32.
#include <windows.h>

#include <functional>
#include <string>

#include "platform/Ui.h"

namespace platform::win32 {

class Win32UiServices final : public UiServices {
public:
    Win32UiServices() = default;
    Win32UiServices(const Win32UiServices&) = delete;
    Win32UiServices& operator=(const Win32UiServices&) = delete;

    MessageAnswer ShowMessage(const std::string& text, MessageStyle style) override;
    // Handles the pending messages unless it did so less than
    // kPumpIntervalMs ago.
    void DoEvents() override;
    void DoEventsIfDue() override { DoEvents(); }
    double SecondsSinceMidnight() override;
    std::string NowText() override;
    // Raised on the active window, as message boxes are owned by it.
    void Notify(const std::string& text) override;
    // The work on a thread of its own; the windows' messages are served
    // until it is done.
    void WaitFor(const std::function<void()>& work) override;

    // How many times the queue has been looked at, for measuring.
    unsigned long long Pumps() const { return pumps_; }

    static constexpr int kPumpIntervalMs = 10;

private:
    unsigned long long pumps_ = 0;
    double nextPump_ = 0;  // ms on the kit's clock
};

// Handles every pending window message now, then returns.
void PumpMessages();

// The general date text of a local time in the user's locale: short date, one
// blank, long time; at exactly midnight the date alone.
std::string GeneralDateText(const SYSTEMTIME& localTime);

// Seconds since the midnight before localTime, milliseconds included.
double SecondsSinceMidnightOf(const SYSTEMTIME& localTime);

}  // namespace platform::win32
