#pragma once
#include "platform/Console.h"

namespace platform::win32 {

// Standard output and error over WriteConsoleW and WriteFile.
class Win32Console : public platform::Console {
public:
    bool Out(const std::string& text) override;
    bool Err(const std::string& text) override;
    bool ErrIsConsole() override;
};

}  // namespace platform::win32
