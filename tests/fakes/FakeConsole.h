#pragma once
// A console and a machine for the command line's runs: the text it writes
// kept, a console close scripted at a step of a repair, and a fixed
// computer, user and clock.
#include <cstdint>
#include <string>

#include "platform/Console.h"
#include "platform/Machine.h"

namespace fakes {

struct FakeConsole : platform::Console {
    std::string out, err;
    bool errIsConsole = false;
    bool Out(const std::string& text) override {
        out += text;
        return true;
    }
    bool Err(const std::string& text) override {
        err += text;
        return true;
    }
    bool ErrIsConsole() override { return errIsConsole; }
    // The console closed (or a logoff, a shutdown) at this step of a
    // repair, counted from 1 over its backup and its removal; 0 never.
    int endAtStep = 0;
    bool held = false;
    int heldSteps = 0;
    void HoldEnd(bool on) override { held = on; }
    bool EndRequested() override { return held && endAtStep > 0 && ++heldSteps >= endAtStep; }
};

struct FakeMachine : platform::Machine {
    std::string ComputerName() override { return "PC-7"; }
    std::string UserName() override { return "ada"; }
    std::int64_t UtcNow() override { return 1796000000; }
};

}  // namespace fakes
