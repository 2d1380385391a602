#pragma once
// The console of the command-line program: its standard output and error.
#include <string>

namespace platform {

class Console {
public:
    virtual ~Console() = default;
    // The program's UTF-8 text to standard output or error: as wide text when
    // it is a console (so that every script shows as itself), as UTF-8 bytes
    // when it is redirected. False when it could not all be written.
    virtual bool Out(const std::string& text) = 0;
    virtual bool Err(const std::string& text) = 0;
    // Whether standard error is a console: progress is shown there only.
    virtual bool ErrIsConsole() = 0;
    // While held (a repair), the console closed, Ctrl+C, a logoff or a
    // shutdown does not end the program at once: EndRequested turns true,
    // and the program finishes the value it is at, writes its record and
    // report and ends by itself. Not held, such an event ends the program.
    virtual void HoldEnd(bool on) = 0;
    virtual bool EndRequested() = 0;
};

}  // namespace platform
