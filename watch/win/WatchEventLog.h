#pragma once
// The health watch's events in the Application log under "SMART VELMORA.exe":
// the entry type of the event's kind, the identifier the message file gives
// its text ((severity << 30) | number: information 0x1, warning 0x2, error
// 0x3, facility 0), category 0, no user SID, the event's strings as the
// insertion strings, no raw data. The calls go through the same table as the
// error reports, so a test sees the exact arguments. Raise may be called
// from any thread; a write that fails is lost, as reporting never reports.

#include <windows.h>

#include "common/win/EventLogSink.h"
#include "watch/WatchEvent.h"

namespace velmora::win {

// The event identifier ReportEventA is given for an event of that number and kind.
[[nodiscard]] DWORD WatchEventIdentifier(watch::EventId id, watch::EventType type) noexcept;

class WatchEventLog final : public watch::WatchEventSink {
public:
    explicit WatchEventLog(EventLogApi api = SystemEventLogApi()) noexcept : api_(api) {}
    // The strings are UTF-8 (or already ANSI) and are written in the system
    // code page, which ReportEventA expects.
    void Raise(const watch::WatchEvent& event) noexcept override;

private:
    EventLogApi api_;
};

}  // namespace velmora::win
