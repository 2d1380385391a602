#pragma once
#include "platform/EventLog.h"

namespace platform::win32 {

// The Application log through RegisterEventSourceW and ReportEventW, under
// the source "Varnholt". Without the source registered (a portable copy),
// Windows keeps the event all the same and shows its inserts with a note
// that the description was not found.
class Win32EventLog : public platform::EventLog {
public:
    bool Write(EventType type, std::uint32_t message, const std::vector<std::string>& inserts) override;
};

}  // namespace platform::win32
