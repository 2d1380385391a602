#pragma once
// Handing files to other programs.
#include <cstdint>
#include <string>

namespace platform {

class Shell {
public:
    virtual ~Shell() = default;
    // ShellExecuteW with "open", parameters "0", folder "0", show normal;
    // gives the result, of which 32 or less means failure.
    virtual std::intptr_t Open(std::intptr_t ownerWindow, const std::string& path) = 0;
    // Starts a program with a command line; false when it could not start.
    virtual bool Run(const std::string& commandLine) = 0;
};

}  // namespace platform
