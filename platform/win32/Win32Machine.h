#pragma once
#include "platform/Machine.h"

namespace platform::win32 {

// GetComputerNameW, GetUserNameW and the system's UTC clock.
class Win32Machine : public platform::Machine {
public:
    std::string ComputerName() override;
    std::string UserName() override;
    std::int64_t UtcNow() override;
};

}  // namespace platform::win32
