#pragma once
// Stand-ins for the three event-log calls that record their arguments, for
// tests of the log writers (Wine's event log stores nothing).

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/EventLogSink.h"

namespace velmora::win::testing {

// What the fake system calls saw. Function pointers cannot capture, so the
// record is one per test program and reset by the fixture.
struct EventLogCalls {
    bool RegisterFails = false;
    std::vector<std::string> Registered;  // source names
    bool ServerNameWasNull = true;
    int Reports = 0;
    HANDLE ReportHandle = nullptr;
    WORD Type = 0;
    WORD Category = 99;
    DWORD EventId = 99;
    bool SidWasNull = false;
    WORD StringCount = 0;
    DWORD DataSize = 99;
    bool RawDataWasNull = false;
    std::vector<std::string> Strings;
    std::vector<HANDLE> Deregistered;
};
inline EventLogCalls gCalls;
inline HANDLE const kFakeHandle = reinterpret_cast<HANDLE>(0x1234);

inline HANDLE WINAPI FakeRegister(LPCSTR server, LPCSTR source) {
    gCalls.ServerNameWasNull = server == nullptr;
    gCalls.Registered.emplace_back(source);
    return gCalls.RegisterFails ? nullptr : kFakeHandle;
}

inline BOOL WINAPI FakeReport(HANDLE log, WORD type, WORD category, DWORD eventId, PSID sid, WORD count, DWORD dataSize,
                       LPCSTR* strings, LPVOID rawData) {
    ++gCalls.Reports;
    gCalls.ReportHandle = log;
    gCalls.Type = type;
    gCalls.Category = category;
    gCalls.EventId = eventId;
    gCalls.SidWasNull = sid == nullptr;
    gCalls.StringCount = count;
    gCalls.DataSize = dataSize;
    gCalls.RawDataWasNull = rawData == nullptr;
    for (WORD i = 0; i < count; ++i) gCalls.Strings.emplace_back(strings[i]);
    return FALSE;  // a failing write is ignored
}

inline BOOL WINAPI FakeDeregister(HANDLE log) {
    gCalls.Deregistered.push_back(log);
    return TRUE;
}

// The table of the three stand-ins.
inline EventLogApi RecordingEventLogApi() { return EventLogApi{FakeRegister, FakeReport, FakeDeregister}; }

}  // namespace velmora::win::testing
