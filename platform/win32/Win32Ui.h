#pragma once
// The message box, yield and clock of the user-interface services, over
// user32 and kernel32.
#include <windows.h>
// <windows.h> turns these two names into macros (Yield() into nothing, and
// MessageBox into MessageBoxA), which would mangle the service interface.
#undef Yield
#undef MessageBox

#include <string>

#include "platform/Ui.h"

namespace platform::win32 {

class Win32UiServices final : public UiServices {
public:
    Win32UiServices() = default;
    Win32UiServices(const Win32UiServices&) = delete;
    Win32UiServices& operator=(const Win32UiServices&) = delete;

    MessageAnswer MessageBox(const std::string& text, MessageStyle style) override;
    void Yield() override;
    double SecondsSinceMidnight() override;
    std::string NowText() override;
};

// The general date text of a local time in the user's locale: short date, one
// blank, long time; at exactly midnight the date alone.
std::string GeneralDateText(const SYSTEMTIME& localTime);

// Seconds since the midnight before localTime, milliseconds included.
double SecondsSinceMidnightOf(const SYSTEMTIME& localTime);

}  // namespace platform::win32
