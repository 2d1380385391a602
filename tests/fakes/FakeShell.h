#pragma once
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace fakes {

// Records what is handed to other programs; answers as scripted.
class FakeShell : public platform::Shell {
public:
    std::intptr_t openResult = 42;
    bool runResult = true;
    std::vector<std::string> opened, ran;
    std::intptr_t Open(std::intptr_t, const std::string& path) override {
        opened.push_back(path);
        return openResult;
    }
    bool Run(const std::string& commandLine) override {
        ran.push_back(commandLine);
        return runResult;
    }
};

}  // namespace fakes
