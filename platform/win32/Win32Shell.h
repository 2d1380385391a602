#pragma once
// Handing a file to the program the system associates with it, and starting
// a program by its command line, over shell32 and kernel32.
#include "platform/Shell.h"

namespace platform::win32 {

class Win32Shell final : public platform::Shell {
public:
    std::intptr_t Open(std::intptr_t ownerWindow, const std::string& path) override;
    bool Run(const std::string& commandLine) override;
};

}  // namespace platform::win32
