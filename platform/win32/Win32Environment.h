#pragma once
#include "platform/Environment.h"

namespace platform::win32 {

// The system's variables read where the system keeps them (Session Manager,
// the program folders of the 64-bit view, the profile list); the user's
// from the environment block the system makes for the process's own token.
class Win32Environment : public platform::Environment {
public:
    Variables SystemVariables() override;
    Variables UserVariables() override;
};

}  // namespace platform::win32
