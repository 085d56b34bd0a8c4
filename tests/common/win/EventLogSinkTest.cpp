#include "common/win/EventLogSink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ErrorReport.h"
#include "tests/fakes/win/RecordingEventLogApi.h"

namespace velmora::win {
namespace {

using namespace testing;

class EventLogSinkCalls : public ::testing::Test {
protected:
    void SetUp() override { gCalls = EventLogCalls{}; }
    EventLogSink sink{RecordingEventLogApi()};
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

}  // namespace
}  // namespace velmora::win
