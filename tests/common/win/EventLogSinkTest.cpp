#include "common/win/EventLogSink.h"
#include "common/win/WatchEventLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ErrorReport.h"

namespace velmora::win {
namespace {

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
EventLogCalls gCalls;
HANDLE const kFakeHandle = reinterpret_cast<HANDLE>(0x1234);

HANDLE WINAPI FakeRegister(LPCSTR server, LPCSTR source) {
    gCalls.ServerNameWasNull = server == nullptr;
    gCalls.Registered.emplace_back(source);
    return gCalls.RegisterFails ? nullptr : kFakeHandle;
}

BOOL WINAPI FakeReport(HANDLE log, WORD type, WORD category, DWORD eventId, PSID sid, WORD count, DWORD dataSize,
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

BOOL WINAPI FakeDeregister(HANDLE log) {
    gCalls.Deregistered.push_back(log);
    return TRUE;
}

class EventLogSinkCalls : public ::testing::Test {
protected:
    void SetUp() override { gCalls = EventLogCalls{}; }
    EventLogSink sink{EventLogApi{FakeRegister, FakeReport, FakeDeregister}};
};

TEST_F(EventLogSinkCalls, WritesOneErrorEntryWithTheFixedValues) {
    sink.Write("FILE Umain LINE 12 CODE 5");
    ASSERT_EQ(gCalls.Registered, std::vector<std::string>{"SMART VELMORA.exe"});
    EXPECT_TRUE(gCalls.ServerNameWasNull);
    ASSERT_EQ(gCalls.Reports, 1);
    EXPECT_EQ(gCalls.ReportHandle, kFakeHandle);
    EXPECT_EQ(gCalls.Type, EVENTLOG_ERROR_TYPE);
    EXPECT_EQ(gCalls.Category, 0);
    EXPECT_EQ(gCalls.EventId, 0u);
    EXPECT_TRUE(gCalls.SidWasNull);
    EXPECT_EQ(gCalls.StringCount, 1);
    EXPECT_EQ(gCalls.Strings, std::vector<std::string>{"FILE Umain LINE 12 CODE 5"});
    EXPECT_EQ(gCalls.DataSize, 0u);
    EXPECT_TRUE(gCalls.RawDataWasNull);
    EXPECT_EQ(gCalls.Deregistered, std::vector<HANDLE>{kFakeHandle});
}

TEST_F(EventLogSinkCalls, AbsentTextIsWrittenAsTheEmptyText) {
    sink.Write(std::string_view{});
    ASSERT_EQ(gCalls.Strings.size(), 1u);
    EXPECT_EQ(gCalls.Strings[0], "");
}

TEST_F(EventLogSinkCalls, TextIsCutNowhereAndTerminated) {
    const std::string longText(5000, 'x');
    sink.Write(std::string_view(longText).substr(0, 4000));
    ASSERT_EQ(gCalls.Strings.size(), 1u);
    EXPECT_EQ(gCalls.Strings[0].size(), 4000u);
}

TEST_F(EventLogSinkCalls, SourceThatCannotBeRegisteredLosesTheEntrySilently) {
    gCalls.RegisterFails = true;
    sink.Write("FILE pipe LINE 1 CODE 2");
    EXPECT_EQ(gCalls.Registered.size(), 1u);
    EXPECT_EQ(gCalls.Reports, 0);
    EXPECT_TRUE(gCalls.Deregistered.empty());
}

TEST_F(EventLogSinkCalls, ReportErrorReachesTheSinkOncePerReport) {
    ScopedErrorReporting installed(&sink, nullptr);
    ReportError("C:\\src\\NVMe.pas", 40, -5);
    ReportError("NVMe", 41, 0);
    EXPECT_EQ(gCalls.Strings, (std::vector<std::string>{"FILE NVMe.pas LINE 40 CODE -5", "FILE NVMe LINE 41 CODE 0"}));
    EXPECT_EQ(gCalls.Deregistered.size(), 2u);
}

class WatchEventLogCalls : public ::testing::Test {
protected:
    void SetUp() override { gCalls = EventLogCalls{}; }
    WatchEventLog log{EventLogApi{FakeRegister, FakeReport, FakeDeregister}};
};

TEST_F(WatchEventLogCalls, EachKindGetsItsEntryTypeAndItsSeverityAboveTheNumber) {
    struct Case {
        watch::EventId Id;
        watch::EventType Type;
        WORD EntryType;
        DWORD Identifier;
    };
    const Case cases[] = {
        {watch::EventId::Started, watch::EventType::Information, EVENTLOG_INFORMATION_TYPE, 0x400003E8},
        {watch::EventId::AlertFailed, watch::EventType::Warning, EVENTLOG_WARNING_TYPE, 0x800003F0},
        {watch::EventId::StoreFailed, watch::EventType::Error, EVENTLOG_ERROR_TYPE, 0xC00003EF},
    };
    for (const Case& c : cases) {
        gCalls = EventLogCalls{};
        log.Raise(watch::WatchEvent{c.Id, c.Type, {"a"}, "A", std::nullopt, "", std::nullopt});
        ASSERT_EQ(gCalls.Reports, 1);
        EXPECT_EQ(gCalls.Type, c.EntryType);
        EXPECT_EQ(gCalls.EventId, c.Identifier);
    }
}

TEST_F(WatchEventLogCalls, TheEventsStringsAreTheInsertionStringsInTheAnsiCodePage) {
    watch::WatchEvent event;
    event.Id = watch::EventId::DriveBad;
    event.Type = watch::EventType::Error;
    event.Strings = {"VELMORA R730 SSD", "VM0A1B2C3D", "Caf\xC3\xA9"};
    event.Message = "not an insertion string";
    log.Raise(event);
    ASSERT_EQ(gCalls.Registered, std::vector<std::string>{"SMART VELMORA.exe"});
    ASSERT_EQ(gCalls.Reports, 1);
    EXPECT_EQ(gCalls.ReportHandle, kFakeHandle);
    EXPECT_EQ(gCalls.Category, 0);
    EXPECT_TRUE(gCalls.SidWasNull);
    EXPECT_EQ(gCalls.StringCount, 3);
    // No codec is installed in the test program: the ANSI page is Windows-1252.
    EXPECT_EQ(gCalls.Strings, (std::vector<std::string>{"VELMORA R730 SSD", "VM0A1B2C3D", "Caf\xE9"}));
    EXPECT_EQ(gCalls.DataSize, 0u);
    EXPECT_TRUE(gCalls.RawDataWasNull);
    EXPECT_EQ(gCalls.Deregistered, std::vector<HANDLE>{kFakeHandle});
}

TEST_F(WatchEventLogCalls, AnEventWithoutStringsIsWrittenWithNone) {
    log.Raise(watch::WatchEvent{});
    ASSERT_EQ(gCalls.Reports, 1);
    EXPECT_EQ(gCalls.StringCount, 0);
}

}  // namespace
}  // namespace velmora::win
