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

// The source handle of one write, deregistered through the same table.
class EventSourceScope {
public:
    EventSourceScope(const EventLogApi& api, HANDLE handle) noexcept : api_(api), handle_(handle) {}
    ~EventSourceScope() {
        if (handle_) api_.Deregister(handle_);
    }
    EventSourceScope(const EventSourceScope&) = delete;
    EventSourceScope& operator=(const EventSourceScope&) = delete;
    [[nodiscard]] HANDLE get() const noexcept { return handle_; }

private:
    const EventLogApi& api_;
    HANDLE handle_;
};

class EventLogSink final : public EventSink {
public:
    explicit EventLogSink(EventLogApi api = SystemEventLogApi()) noexcept : api_(api) {}
    void Write(std::string_view text) noexcept override;

private:
    EventLogApi api_;
};

}  // namespace velmora::win
