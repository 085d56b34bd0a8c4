#include "common/ErrorReport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/RecordingEventSink.h"

namespace velmora {
namespace {

struct EntryCase {
    const char* path;
    std::int32_t line;
    std::int32_t code;
    const char* expected;
};

TEST(FormatErrorEntry, StripsDirectoriesAndWritesSignedDecimals) {
    const EntryCase cases[] = {
        {"Umain", 120, 5, "FILE Umain LINE 120 CODE 5"},
        {"C:\\x\\Umain.pas", 7, 0, "FILE Umain.pas LINE 7 CODE 0"},
        {"a/b:c", 1, 2, "FILE c LINE 1 CODE 2"},
        {"src/service/pipe", 3, 4, "FILE pipe LINE 3 CODE 4"},
        {"C:\\x\\", 10, 6, "FILE  LINE 10 CODE 6"},
        {"dir/", 10, 6, "FILE  LINE 10 CODE 6"},
        {"C:", 1, 1, "FILE  LINE 1 CODE 1"},
        {"", 0, 0, "FILE  LINE 0 CODE 0"},
        {"NVMe", 55, -2147024891, "FILE NVMe LINE 55 CODE -2147024891"},
        {"smart", -1, INT32_MIN, "FILE smart LINE -1 CODE -2147483648"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatErrorEntry(c.path, c.line, c.code), c.expected) << c.path;
}

TEST(ReportError, WritesOneEntryAndNotifiesOncePerReport) {
    fakes::RecordingEventSink recorder;
    ReportError("C:\\src\\URawSMART.pas", 210, 87);
    ReportError(unit::pipe, 30, -1);
    ASSERT_EQ(recorder.Entries.size(), 2u);
    EXPECT_EQ(recorder.Entries[0], "FILE URawSMART.pas LINE 210 CODE 87");
    EXPECT_EQ(recorder.Entries[1], "FILE pipe LINE 30 CODE -1");
    EXPECT_EQ(recorder.Notifications, 2);
}

TEST(ReportError, NotifiesEvenWithoutAnEventSink) {
    fakes::RecordingEventSink recorder;
    ScopedErrorReporting notifierOnly(nullptr, &recorder);
    ReportError("Umain", 1, 1);
    EXPECT_TRUE(recorder.Entries.empty());
    EXPECT_EQ(recorder.Notifications, 1);
}

TEST(WriteEventLog, PassesTheTextUnchangedWithoutNotifying) {
    fakes::RecordingEventSink recorder;
    WriteEventLog("FILE x LINE 1 CODE 1");
    WriteEventLog("");
    ASSERT_EQ(recorder.Entries.size(), 2u);
    EXPECT_EQ(recorder.Entries[0], "FILE x LINE 1 CODE 1");
    EXPECT_EQ(recorder.Entries[1], "");
    EXPECT_EQ(recorder.Notifications, 0);
}

TEST(ScopedErrorReporting, RestoresThePreviousDestinations) {
    fakes::RecordingEventSink outer;
    {
        fakes::RecordingEventSink inner;
        ReportError("smart", 1, 1);
        EXPECT_EQ(inner.Entries.size(), 1u);
    }
    {
        ScopedErrorReporting none(nullptr, nullptr);  // reports then go nowhere
        ReportError("smart", 3, 3);
        WriteEventLog("lost");
    }
    ReportError("smart", 2, 2);
    EXPECT_EQ(outer.Entries, std::vector<std::string>{"FILE smart LINE 2 CODE 2"});
    EXPECT_EQ(outer.Notifications, 1);
}

}  // namespace
}  // namespace velmora
