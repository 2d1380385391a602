#pragma once
#include "platform/Console.h"

namespace platform::win32 {

// Standard output and error over WriteConsoleW and WriteFile.
class Win32Console : public platform::Console {
public:
    Win32Console();
    bool Out(const std::string& text) override;
    bool Err(const std::string& text) override;
    bool ErrIsConsole() override;
    void HoldEnd(bool on) override;
    bool EndRequested() override;
};

}  // namespace platform::win32
