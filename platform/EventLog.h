#pragma once
// The system's event log, where administrators collect what programs did:
// one event of the program's own source in the Application log.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class EventType { Information, Warning, Error };

class EventLog {
public:
    virtual ~EventLog() = default;
    // Writes the message `message` of the program's message table, with
    // `inserts` for its %1, %2, ...; the system records the user who runs the
    // program with it. False when the event could not be written: callers
    // carry on as if it had been.
    virtual bool Write(EventType type, std::uint32_t message, const std::vector<std::string>& inserts) = 0;
};

}  // namespace platform
