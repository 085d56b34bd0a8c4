#include "watch/win/WatchEventLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/win/RecordingEventLogApi.h"

namespace velmora::win {
namespace {

using namespace testing;

class WatchEventLogCalls : public ::testing::Test {
protected:
    void SetUp() override { gCalls = EventLogCalls{}; }
    WatchEventLog log{RecordingEventLogApi()};
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
