#pragma once
// A stand-in for srclient: answers as the test scripts it, and records what
// it was asked.
#include <functional>
#include <vector>

#include "platform/SystemRestore.h"

namespace fakes {

class FakeSystemRestore : public platform::SystemRestore {
public:
    platform::RestorePointAnswer answer{true, 0, 42};
    // Runs inside Begin, as the system works (a slow point: the window's
    // events in the meantime).
    std::function<void()> whileBegun;
    int begun = 0;
    struct Ended {
        std::int64_t sequence;
        bool changed;
    };
    std::vector<Ended> ended;

    platform::RestorePointAnswer Begin(const std::string&) override {
        ++begun;
        if (whileBegun) whileBegun();
        return answer;
    }
    void End(std::int64_t sequence, bool changed) override { ended.push_back({sequence, changed}); }
};

}  // namespace fakes
