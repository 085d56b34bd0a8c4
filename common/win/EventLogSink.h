#pragma once
// Writes each report as one error entry of the Application log under
// "SMART VELMORA.exe": category 0, event id 0, no user SID, the text as the
// only string, no raw data. The three system calls go through a table so the
// exact arguments can be checked where the log itself stores nothing.
// Failures of these calls are ignored: reporting never reports.

#include <windows.h>

#include <string_view>

#include "common/ErrorReport.h"

namespace velmora::win {

struct EventLogApi {
    HANDLE(WINAPI* Register)(LPCSTR serverName, LPCSTR sourceName);
    BOOL(WINAPI* Report)(HANDLE eventLog, WORD type, WORD category, DWORD eventId, PSID userSid, WORD stringCount,
                         DWORD dataSize, LPCSTR* strings, LPVOID rawData);
    BOOL(WINAPI* Deregister)(HANDLE eventLog);
};

// RegisterEventSourceA, ReportEventA, DeregisterEventSource.
[[nodiscard]] EventLogApi SystemEventLogApi() noexcept;

class EventLogSink final : public EventSink {
public:
    explicit EventLogSink(EventLogApi api = SystemEventLogApi()) noexcept : api_(api) {}
    void Write(std::string_view text) noexcept override;

private:
    EventLogApi api_;
};

}  // namespace velmora::win
