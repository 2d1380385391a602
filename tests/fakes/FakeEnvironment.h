#pragma once
#include "platform/Environment.h"

namespace fakes {

// The two tables as a test sets them.
class FakeEnvironment : public platform::Environment {
public:
    platform::Variables system{{"SystemRoot", "C:\\Windows"},
                               {"SystemDrive", "C:"},
                               {"ProgramFiles", "C:\\Program Files"},
                               {"windir", "C:\\Windows"}};
    platform::Variables user{{"SystemRoot", "C:\\Windows"},
                             {"SystemDrive", "C:"},
                             {"ProgramFiles", "C:\\Program Files"},
                             {"windir", "C:\\Windows"},
                             {"USERPROFILE", "C:\\Users\\ada"}};
    platform::Variables SystemVariables() override { return system; }
    platform::Variables UserVariables() override { return user; }
};

}  // namespace fakes
