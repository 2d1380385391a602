#pragma once
// Where and when the program runs, as a report names it for an
// administrator who collects the reports of many machines.
#include <cstdint>
#include <string>

namespace platform {

class Machine {
public:
    virtual ~Machine() = default;
    virtual std::string ComputerName() = 0;
    virtual std::string UserName() = 0;
    // Now, in seconds since 1970-01-01 UTC.
    virtual std::int64_t UtcNow() = 0;
};

}  // namespace platform
