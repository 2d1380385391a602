#pragma once
// The message box, yield and clock of the user-interface services, over
// user32 and kernel32.
#include <windows.h>

#include <string>

#include "platform/Ui.h"

namespace platform::win32 {

class Win32UiServices final : public UiServices {
public:
    Win32UiServices() = default;
    Win32UiServices(const Win32UiServices&) = delete;
    Win32UiServices& operator=(const Win32UiServices&) = delete;

    MessageAnswer ShowMessage(const std::string& text, MessageStyle style) override;
    void DoEvents() override;
    double SecondsSinceMidnight() override;
    std::string NowText() override;
};

// The general date text of a local time in the user's locale: short date, one
// blank, long time; at exactly midnight the date alone.
std::string GeneralDateText(const SYSTEMTIME& localTime);

// Seconds since the midnight before localTime, milliseconds included.
double SecondsSinceMidnightOf(const SYSTEMTIME& localTime);

}  // namespace platform::win32
