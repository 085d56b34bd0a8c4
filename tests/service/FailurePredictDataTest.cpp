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

std::vector<WmiVariant> Bytes(std::size_t count, std::uint16_t type = vt::UI1) {
    std::vector<WmiVariant> elements;
    for (std::size_t i = 0; i < count; ++i) elements.push_back(WmiVariant::Integer(type, static_cast<std::int64_t>(i % 251)));
    return elements;
}

FakeClass DataRows(std::vector<std::vector<WmiVariant>> rows) {
    return FakeClass{{u"InstanceName", u"Active", u"VendorSpecific"}, std::move(rows), 0};
}

std::vector<WmiVariant> DataRow(std::u16string name, WmiVariant vendorSpecific) {
    return {WmiVariant::Text(std::move(name)), WmiVariant::Bool(true), std::move(vendorSpecific)};
}

FakeWmiSource OneDisk(WmiVariant vendorSpecific) {
    FakeWmiSource wmi;
    wmi.Set(kFailurePredictNamespace, kFailurePredictDataClass, DataRows({DataRow(u"DISK_0", std::move(vendorSpecific))}));
    return wmi;
}

struct DataFailure {
    const char* what;
    FakeClass answer;
    bool classPresent;
    std::string entry;
};

TEST(QueryFailurePredictData, ReportsEachFailedStepWithItsLineAndCode) {
    const WmiVariant array = WmiVariant::Array(vt::UI1, 0, Bytes(4));
    const DataFailure cases[] = {
        {"query fails", FakeClass{{}, {}, wmi_result::ConnectFailed}, true, "FILE Umain LINE 349 CODE -2"},
        {"class has no instances", FakeClass{}, false, "FILE Umain LINE 349 CODE -5"},
        {"InstanceName column missing", FakeClass{{u"Active", u"VendorSpecific"}, {{WmiVariant::Bool(true), array}}, 0},
         true, "FILE Umain LINE 363 CODE -1"},
        {"InstanceName is an array",
         DataRows({{WmiVariant::Array(vt::Bstr, 0, {}), WmiVariant::Bool(true), array}}), true,
         "FILE Umain LINE 363 CODE 0"},
        {"Active column missing",
         FakeClass{{u"InstanceName", u"VendorSpecific"}, {{WmiVariant::Text(u"DISK_0"), array}}, 0}, true,
         "FILE Umain LINE 374 CODE -1"},
        {"VendorSpecific column missing",
         FakeClass{{u"InstanceName", u"Active"}, {{WmiVariant::Text(u"DISK_0"), WmiVariant::Bool(true)}}, 0}, true,
         "FILE Umain LINE 383 CODE -1"},
        {"VendorSpecific is a number", DataRows({DataRow(u"DISK_0", WmiVariant::Int32(5))}), true,
         "FILE Umain LINE 389 CODE 0"},
        {"VendorSpecific is a text", DataRows({DataRow(u"DISK_0", WmiVariant::Text(u"0100"))}), true,
         "FILE Umain LINE 389 CODE 0"},
        {"VendorSpecific is null", DataRows({DataRow(u"DISK_0", WmiVariant::Null())}), true,
         "FILE Umain LINE 389 CODE 0"},
    };
    for (const DataFailure& c : cases) {
        FakeWmiSource wmi;
        if (c.classPresent) wmi.Set(kFailurePredictNamespace, kFailurePredictDataClass, c.answer);
        RecordingEventSink sink;
        PipeReply reply;
        EXPECT_EQ(QueryFailurePredictData(wmi, u"DISK", reply), -1) << c.what;
        EXPECT_EQ(sink.Entries, std::vector<std::string>{c.entry}) << c.what;
        EXPECT_EQ(reply.DataLength, 0) << c.what;
    }
}

TEST(QueryFailurePredictData, ReportsLine355WhenTheQueryGivesNoRows) {
    RowlessWmiSource wmi;
    RecordingEventSink sink;
    PipeReply reply;
    EXPECT_EQ(QueryFailurePredictData(wmi, u"DISK", reply), -1);
    EXPECT_EQ(sink.Entries, std::vector<std::string>{"FILE Umain LINE 355 CODE 0"});
}

TEST(QueryFailurePredictData, CopiesA512ElementArrayInOrder) {
    FakeWmiSource wmi = OneDisk(WmiVariant::Array(vt::UI1, 0, Bytes(512)));
    RecordingEventSink sink;
    PipeReply reply;
    ASSERT_EQ(QueryFailurePredictData(wmi, u"disk", reply), 0);
    EXPECT_EQ(reply.DataLength, 512);
    for (std::size_t i = 0; i < 512; ++i) ASSERT_EQ(reply.Data[i], i % 251) << i;
    for (std::size_t i = 512; i < PIPE_DATA_SIZE; ++i) ASSERT_EQ(reply.Data[i], 0) << i;
    EXPECT_TRUE(sink.Entries.empty());
}

TEST(QueryFailurePredictData, IgnoresTheValueOfActive) {
    FakeWmiSource wmi;
    wmi.Set(kFailurePredictNamespace, kFailurePredictDataClass,
            DataRows({{WmiVariant::Text(u"DISK_0"), WmiVariant::Null(), WmiVariant::Array(vt::UI1, 0, Bytes(2))}}));
    RecordingEventSink sink;
    PipeReply reply;
    EXPECT_EQ(QueryFailurePredictData(wmi, u"DISK", reply), 0);
    EXPECT_EQ(reply.DataLength, 2);
}

struct BoundsCase {
    const char* what;
    std::int32_t lowerBound;
    std::size_t elements;
    std::int32_t expectedLength;
    std::size_t firstElementCopied;  // index into the element list of Data[0]
};

TEST(QueryFailurePredictData, NeverCopiesMoreThan4096Bytes) {
    const BoundsCase cases[] = {
        {"empty array", 0, 0, 0, 0},
        {"exactly 4096 elements", 0, 4096, 4096, 0},
        {"more than 4096 elements", 0, 5000, 4096, 0},
        {"negative lower bound, many elements", -10, 5000, 4096, 0},
        {"negative lower bound, few elements", -10, 20, 20, 0},
        {"lower bound near the index limit", 4090, 20, 6, 0},
        {"lower bound past the index limit", 5000, 20, 0, 0},
        {"lowest possible lower bound", INT32_MIN, 4100, 4096, 0},
    };
    for (const BoundsCase& c : cases) {
        FakeWmiSource wmi = OneDisk(WmiVariant::Array(vt::UI1, c.lowerBound, Bytes(c.elements)));
        RecordingEventSink sink;
        PipeReply reply;
        EXPECT_EQ(QueryFailurePredictData(wmi, u"DISK", reply), 0) << c.what;
        EXPECT_EQ(reply.DataLength, c.expectedLength) << c.what;
        for (std::int32_t i = 0; i < c.expectedLength; ++i) {
            ASSERT_EQ(reply.Data[static_cast<std::size_t>(i)], (c.firstElementCopied + static_cast<std::size_t>(i)) % 251)
                << c.what << " byte " << i;
        }
        EXPECT_TRUE(sink.Entries.empty()) << c.what;
    }
}

struct ElementCase {
    const char* what;
    WmiVariant element;
    std::uint8_t expected;
};

TEST(QueryFailurePredictData, TurnsEachElementIntoTheLow8BitsOfItsDecimalValue) {
    const ElementCase cases[] = {
        {"byte", WmiVariant::Integer(vt::UI1, 200), 200},
        {"32-bit integer above 255", WmiVariant::Int32(300), 44},
        {"negative integer", WmiVariant::Int32(-1), 0xFF},
        {"large unsigned 64-bit", WmiVariant::Integer(vt::UI8, 0x1234), 0x34},
        {"decimal text", WmiVariant::Text(u"17"), 17},
        {"text with blanks and a plus sign", WmiVariant::Text(u" +9 "), 9},
        {"text that is not a number", WmiVariant::Text(u"abc"), 0},
        {"hexadecimal text", WmiVariant::Text(u"0x1F"), 0},
        {"text with trailing letters", WmiVariant::Text(u"12ab"), 0},
        {"text beyond 64 bits", WmiVariant::Text(u"99999999999999999999999"), 0},
        {"empty text", WmiVariant::Text(u""), 0},
        {"null element", WmiVariant::Null(), 0},
        {"empty element", WmiVariant(), 0},
        {"boolean", WmiVariant::Bool(true), 0},
        {"real with a fraction", WmiVariant::Real(1.5), 0},
        {"nested array", WmiVariant::Array(vt::UI1, 0, Bytes(1)), 0},
        {"non-ASCII digits", WmiVariant::Text(u"\uFF11"), 0},
    };
    for (const ElementCase& c : cases) {
        // The element sits between two ordinary bytes, so each is counted in place.
        FakeWmiSource wmi = OneDisk(WmiVariant::Array(
            vt::Array, 0, {WmiVariant::Integer(vt::UI1, 7), c.element, WmiVariant::Integer(vt::UI1, 8)}));
        RecordingEventSink sink;
        PipeReply reply;
        ASSERT_EQ(QueryFailurePredictData(wmi, u"DISK", reply), 0) << c.what;
        EXPECT_EQ(reply.DataLength, 3) << c.what;
        EXPECT_EQ(reply.Data[0], 7) << c.what;
        EXPECT_EQ(reply.Data[1], c.expected) << c.what;
        EXPECT_EQ(reply.Data[2], 8) << c.what;
    }
}

TEST(QueryFailurePredictData, TakesTheFirstMatchingRowAndIsSilentWithoutOne) {
    FakeWmiSource wmi;
    wmi.Set(kFailurePredictNamespace, kFailurePredictDataClass,
            DataRows({
                DataRow(u"IDE\\DISKOTHER_0", WmiVariant::Array(vt::UI1, 0, Bytes(1))),
                DataRow(u"SCSI\\DISK&VEN_VELMORA_0", WmiVariant::Array(vt::UI1, 0, Bytes(2))),
                DataRow(u"SCSI\\DISK&VEN_VELMORA_1", WmiVariant::Array(vt::UI1, 0, Bytes(3))),
            }));
    RecordingEventSink sink;

    PipeReply first;
    EXPECT_EQ(QueryFailurePredictData(wmi, u"", first), 0);
    EXPECT_EQ(first.DataLength, 1);

    PipeReply velmora;
    EXPECT_EQ(QueryFailurePredictData(wmi, u"scsi\\disk&VEN_velmora", velmora), 0);
    EXPECT_EQ(velmora.DataLength, 2);

    PipeReply none;
    EXPECT_EQ(QueryFailurePredictData(wmi, u"SCSI\\DISK&VEN_VELMORA_0_AND_MORE", none), -1);
    EXPECT_EQ(none.DataLength, 0);

    EXPECT_TRUE(sink.Entries.empty());
}

}  // namespace
}  // namespace velmora
