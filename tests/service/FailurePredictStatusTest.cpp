#include "service/FailurePredict.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/WmiTable.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora {
namespace {

using fakes::FakeClass;
using fakes::FakeWmiSource;
using fakes::RowlessWmiSource;
using fakes::RecordingEventSink;

FakeClass StatusRows(std::vector<std::vector<WmiVariant>> rows) {
    return FakeClass{{u"InstanceName", u"Active", u"PredictFailure"}, std::move(rows), 0};
}

std::vector<WmiVariant> StatusRow(WmiVariant name, WmiVariant active, WmiVariant predict) {
    return {std::move(name), std::move(active), std::move(predict)};
}

std::vector<WmiVariant> StatusRow(std::u16string name, WmiVariant active, WmiVariant predict) {
    return StatusRow(WmiVariant::Text(std::move(name)), std::move(active), std::move(predict));
}

struct StatusFailure {
    const char* what;
    FakeClass answer;
    bool classPresent;
    std::string entry;
};

TEST(QueryFailurePredictStatus, ReportsEachFailedStepWithItsLineAndCode) {
    const StatusFailure cases[] = {
        {"query fails", FakeClass{{}, {}, wmi_result::QueryFailed}, true, "FILE Umain LINE 296 CODE -3"},
        {"class has no instances", FakeClass{}, false, "FILE Umain LINE 296 CODE -5"},
        {"InstanceName column missing",
         FakeClass{{u"Active", u"PredictFailure"}, {{WmiVariant::Bool(true), WmiVariant::Bool(false)}}, 0}, true,
         "FILE Umain LINE 310 CODE -1"},
        {"InstanceName is an array",
         StatusRows({StatusRow(WmiVariant::Array(vt::Bstr, 0, {WmiVariant::Text(u"DISK_0")}), WmiVariant::Bool(true),
                               WmiVariant::Bool(false))}),
         true, "FILE Umain LINE 310 CODE 0"},
        {"Active column missing",
         FakeClass{{u"InstanceName", u"PredictFailure"}, {{WmiVariant::Text(u"DISK_0"), WmiVariant::Bool(false)}}, 0},
         true, "FILE Umain LINE 321 CODE -1"},
        {"Active is not a number",
         StatusRows({StatusRow(u"DISK_0", WmiVariant::Text(u"yes"), WmiVariant::Bool(false))}), true,
         "FILE Umain LINE 321 CODE 0"},
        {"Active is null", StatusRows({StatusRow(u"DISK_0", WmiVariant::Null(), WmiVariant::Bool(false))}), true,
         "FILE Umain LINE 321 CODE 0"},
        {"PredictFailure column missing",
         FakeClass{{u"InstanceName", u"Active"}, {{WmiVariant::Text(u"DISK_0"), WmiVariant::Bool(true)}}, 0}, true,
         "FILE Umain LINE 329 CODE -1"},
        {"PredictFailure is not a number",
         StatusRows({StatusRow(u"DISK_0", WmiVariant::Bool(true), WmiVariant::Text(u"1x"))}), true,
         "FILE Umain LINE 329 CODE 0"},
    };
    for (const StatusFailure& c : cases) {
        FakeWmiSource wmi;
        if (c.classPresent) wmi.Set(kFailurePredictNamespace, kFailurePredictStatusClass, c.answer);
        RecordingEventSink sink;
        PipeReply reply;
        EXPECT_EQ(QueryFailurePredictStatus(wmi, u"DISK", reply), -1) << c.what;
        EXPECT_EQ(sink.Entries, std::vector<std::string>{c.entry}) << c.what;
    }
}

TEST(QueryFailurePredictStatus, ReportsLine302WhenTheQueryGivesNoRows) {
    RowlessWmiSource wmi;
    RecordingEventSink sink;
    PipeReply reply;
    EXPECT_EQ(QueryFailurePredictStatus(wmi, u"DISK", reply), -1);
    EXPECT_EQ(sink.Entries, std::vector<std::string>{"FILE Umain LINE 302 CODE 0"});
}

TEST(QueryFailurePredictStatus, AsksTheStatusClassInRootWmi) {
    FakeWmiSource wmi;
    wmi.Set(u"root\\WMI", u"MSStorageDriver_FailurePredictStatus",
            StatusRows({StatusRow(u"DISK_0", WmiVariant::Bool(true), WmiVariant::Bool(true))}));
    RecordingEventSink sink;
    PipeReply reply;
    EXPECT_EQ(QueryFailurePredictStatus(wmi, u"DISK", reply), 0);
    EXPECT_EQ(wmi.ExecuteCount, 1);
    EXPECT_TRUE(sink.Entries.empty());
}

struct FlagCase {
    const char* what;
    WmiVariant active;
    WmiVariant predict;
    std::int32_t expectedActive;
    std::int32_t expectedPredict;
};

TEST(QueryFailurePredictStatus, StoresTheLowestBitOfEachFlag) {
    const FlagCase cases[] = {
        {"booleans true and false", WmiVariant::Bool(true), WmiVariant::Bool(false), 1, 0},
        {"booleans false and true", WmiVariant::Bool(false), WmiVariant::Bool(true), 0, 1},
        {"odd and even integers", WmiVariant::Int32(3), WmiVariant::Int32(2), 1, 0},
        {"negative integers", WmiVariant::Int32(-1), WmiVariant::Int32(-2), 1, 0},
        {"numeric texts", WmiVariant::Text(u"1"), WmiVariant::Text(u" 0 "), 1, 0},
        {"unsigned bytes", WmiVariant::Integer(vt::UI1, 255), WmiVariant::Integer(vt::UI1, 1), 1, 1},
    };
    for (const FlagCase& c : cases) {
        FakeWmiSource wmi;
        wmi.Set(kFailurePredictNamespace, kFailurePredictStatusClass, StatusRows({StatusRow(u"DISK_0", c.active, c.predict)}));
        RecordingEventSink sink;
        PipeReply reply;
        reply.Active = 7;
        reply.PredictFailure = 7;
        EXPECT_EQ(QueryFailurePredictStatus(wmi, u"DISK", reply), 0) << c.what;
        EXPECT_EQ(reply.Active, c.expectedActive) << c.what;
        EXPECT_EQ(reply.PredictFailure, c.expectedPredict) << c.what;
        EXPECT_TRUE(sink.Entries.empty()) << c.what;
    }
}

TEST(QueryFailurePredictStatus, LeavesActiveSetWhenPredictFailureCannotBeRead) {
    FakeWmiSource wmi;
    wmi.Set(kFailurePredictNamespace, kFailurePredictStatusClass,
            StatusRows({StatusRow(u"DISK_0", WmiVariant::Bool(true), WmiVariant::Null())}));
    RecordingEventSink sink;
    PipeReply reply;
    EXPECT_EQ(QueryFailurePredictStatus(wmi, u"DISK", reply), -1);
    EXPECT_EQ(reply.Active, 1);
    EXPECT_EQ(reply.PredictFailure, 0);
}

struct SelectionCase {
    const char* what;
    std::u16string instance;
    int result;
    std::int32_t expectedPredict;  // tells which row answered
};

TEST(QueryFailurePredictStatus, TakesTheFirstRowWhoseNameBeginsWithTheText) {
    // Row 0 predicts no failure, row 1 predicts one: PredictFailure tells which row answered.
    const auto rows = StatusRows({
        StatusRow(u"SCSI\\DISK&VEN_OTHER\\1_0", WmiVariant::Bool(true), WmiVariant::Bool(false)),
        StatusRow(u"SCSI\\DISK&VEN_VELMORA\\2_0", WmiVariant::Bool(true), WmiVariant::Bool(true)),
        StatusRow(u"SCSI\\DISK&VEN_VELMORA\\2_1", WmiVariant::Bool(true), WmiVariant::Bool(false)),
    });
    const SelectionCase cases[] = {
        {"empty text takes the first row", u"", 0, 0},
        {"two matching rows: the first wins", u"SCSI\\DISK&VEN_VELMORA\\2_", 0, 1},
        {"no row begins with the text", u"USBSTOR\\DISK", -1, 0},
    };
    for (const SelectionCase& c : cases) {
        FakeWmiSource wmi;
        wmi.Set(kFailurePredictNamespace, kFailurePredictStatusClass, rows);
        RecordingEventSink sink;
        PipeReply reply;
        EXPECT_EQ(QueryFailurePredictStatus(wmi, c.instance, reply), c.result) << c.what;
        EXPECT_EQ(reply.PredictFailure, c.expectedPredict) << c.what;
        EXPECT_TRUE(sink.Entries.empty()) << c.what;  // no match is silent
    }
}

TEST(QueryFailurePredictStatus, StopsAtTheFirstMatchBeforeABrokenRow) {
    // A later row without a readable name is never visited.
    FakeWmiSource wmi;
    wmi.Set(kFailurePredictNamespace, kFailurePredictStatusClass,
            StatusRows({
                StatusRow(u"DISK_0", WmiVariant::Bool(true), WmiVariant::Bool(true)),
                StatusRow(WmiVariant::Array(vt::Bstr, 0, {}), WmiVariant::Bool(true), WmiVariant::Bool(false)),
            }));
    RecordingEventSink sink;
    PipeReply reply;
    EXPECT_EQ(QueryFailurePredictStatus(wmi, u"disk_0", reply), 0);
    EXPECT_EQ(reply.PredictFailure, 1);
    EXPECT_TRUE(sink.Entries.empty());
}

}  // namespace
}  // namespace velmora
