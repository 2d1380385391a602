#pragma once
// An event log that keeps what is written to it, or refuses every event.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/EventLog.h"

namespace fakes {

struct RecordingEventLog : platform::EventLog {
    struct Event {
        platform::EventType type;
        std::uint32_t message;
        std::vector<std::string> inserts;
    };
    std::vector<Event> events;
    bool refuses = false;  // as a log that is full or a service that is not running
    bool Write(platform::EventType type, std::uint32_t message, const std::vector<std::string>& inserts) override {
        if (refuses) return false;
        events.push_back({type, message, inserts});
        return true;
    }
};

}  // namespace fakes
