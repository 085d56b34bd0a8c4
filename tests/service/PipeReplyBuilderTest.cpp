#include "service/PipeReplyBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/FailurePredict.h"
#include "service/NvmeHealthLogReader.h"
#include "tests/fakes/DescriptorBytes.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora {
namespace {

using fakes::FakeClass;
using fakes::FakeDeviceIo;
using fakes::FakeWmiSource;
using fakes::RecordingEventSink;

constexpr char16_t kDiskName[] = u"SCSI\\DISK&VEN_VELMORA&PROD_R730\\4&1A2B3C4D&0&000000_0";
constexpr char kDiskId[] = "SCSI\\DISK&VEN_VELMORA&PROD_R730\\4&1A2B3C4D&0&000000";

FakeClass StatusClass(std::u16string name, bool active, bool predict) {
    return FakeClass{{u"InstanceName", u"Active", u"PredictFailure"},
                     {{WmiVariant::Text(std::move(name)), WmiVariant::Bool(active), WmiVariant::Bool(predict)}},
                     0};
}

FakeClass DataClass(std::u16string name, std::vector<std::uint8_t> bytes) {
    std::vector<WmiVariant> elements;
    for (std::uint8_t b : bytes) elements.push_back(WmiVariant::Integer(vt::UI1, b));
    return FakeClass{{u"InstanceName", u"Active", u"VendorSpecific"},
                     {{WmiVariant::Text(std::move(name)), WmiVariant::Bool(true),
                       WmiVariant::Array(vt::UI1, 0, std::move(elements))}},
                     0};
}

// A machine with one of the maker's SATA drives in WMI and an NVMe drive
// behind the device seam.
struct Machine {
    Machine() {
        wmi.Set(kFailurePredictNamespace, kFailurePredictStatusClass, StatusClass(kDiskName, true, true));
        wmi.Set(kFailurePredictNamespace, kFailurePredictDataClass, DataClass(kDiskName, {0x10, 0x00, 0x05, 0xFF}));
        devices.Output = fakes::BuildProtocolAnswer({.FirstLogByte = 0xC0});
    }
    FakeWmiSource wmi;
    FakeDeviceIo devices;
    RecordingEventSink sink;
};

RequestBytes Request(std::int32_t interfaceType, std::string instance, std::int32_t driveNumber = 4) {
    return PipeRequest{driveNumber, interfaceType, std::move(instance)}.Encode();
}

PipeReply Decoded(const ReplyBytes& bytes) { return PipeReply::Decode(bytes); }

TEST(PipeReplyBuilder, AnswersEveryInterfaceButNvmeFromWmi) {
    for (std::int32_t type : {kInterfaceUnknown, kInterfaceSata, kInterfacePata, kInterfaceUsb, 5, -1}) {
        Machine machine;
        PipeReplyBuilder builder(machine.wmi, machine.devices);
        const ReplyBytes bytes = builder.Build(Request(type, kDiskId));
        EXPECT_TRUE(ReplyChecksumOk(bytes.data(), bytes.size())) << type;
        const PipeReply reply = Decoded(bytes);
        EXPECT_EQ(reply.StatusValid, 1) << type;
        EXPECT_EQ(reply.Active, 1) << type;
        EXPECT_EQ(reply.PredictFailure, 1) << type;
        EXPECT_EQ(reply.DataValid, 1) << type;
        EXPECT_EQ(reply.DataLength, 4) << type;
        EXPECT_EQ(reply.Data[0], 0x10) << type;
        EXPECT_EQ(reply.Data[3], 0xFF) << type;
        EXPECT_EQ(reply.Data[4], 0) << type;
        EXPECT_EQ(machine.wmi.ExecuteCount, 2) << type;
        EXPECT_TRUE(machine.devices.OpenedPaths.empty()) << type;
        EXPECT_TRUE(machine.sink.Entries.empty()) << type;
    }
}

TEST(PipeReplyBuilder, ReadsTheHealthLogOfTheRequestedDriveForNvme) {
    Machine machine;
    PipeReplyBuilder builder(machine.wmi, machine.devices);
    const ReplyBytes bytes = builder.Build(Request(kInterfaceNvme, kDiskId, 7));
    EXPECT_TRUE(ReplyChecksumOk(bytes.data(), bytes.size()));
    const PipeReply reply = Decoded(bytes);
    // The status fields stay zero even though WMI would have answered.
    EXPECT_EQ(reply.StatusValid, 0);
    EXPECT_EQ(reply.Active, 0);
    EXPECT_EQ(reply.PredictFailure, 0);
    EXPECT_EQ(reply.DataValid, 1);
    EXPECT_EQ(reply.DataLength, 512);
    EXPECT_EQ(reply.Data[0], 0xC0);
    EXPECT_EQ(reply.Data[511], 0xBF);  // the log counts up from 0xC0
    EXPECT_EQ(reply.Data[512], 0);
    EXPECT_EQ(machine.devices.OpenedPaths, std::vector<std::string>{"\\\\.\\PhysicalDrive7"});
    EXPECT_EQ(machine.wmi.ExecuteCount, 0);
}

TEST(PipeReplyBuilder, AnswersAFailedNvmeReadWithAnEmptySealedReply) {
    Machine machine;
    machine.devices.OpenError = 2;
    PipeReplyBuilder builder(machine.wmi, machine.devices);
    const ReplyBytes bytes = builder.Build(Request(kInterfaceNvme, "", 12));
    EXPECT_EQ(bytes, ReplyBytes{});  // all zero, which already sums to zero
    EXPECT_EQ(machine.sink.Entries, std::vector<std::string>{"FILE NVMe LINE 202 CODE 2"});
}

struct IndependenceCase {
    const char* what;
    bool statusClass;
    bool dataClass;
    std::int32_t statusValid;
    std::int32_t dataValid;
    std::vector<std::string> entries;
};

TEST(PipeReplyBuilder, RunsTheDataAndStatusQueriesIndependently) {
    const IndependenceCase cases[] = {
        {"both classes", true, true, 1, 1, {}},
        {"status class only", true, false, 1, 0, {"FILE Umain LINE 349 CODE -5"}},
        {"data class only", false, true, 0, 1, {"FILE Umain LINE 296 CODE -5"}},
        {"neither class", false, false, 0, 0, {"FILE Umain LINE 349 CODE -5", "FILE Umain LINE 296 CODE -5"}},
    };
    for (const IndependenceCase& c : cases) {
        FakeWmiSource wmi;
        if (c.statusClass) wmi.Set(kFailurePredictNamespace, kFailurePredictStatusClass, StatusClass(kDiskName, true, false));
        if (c.dataClass) wmi.Set(kFailurePredictNamespace, kFailurePredictDataClass, DataClass(kDiskName, {1, 2}));
        FakeDeviceIo devices;
        RecordingEventSink sink;
        PipeReplyBuilder builder(wmi, devices);
        const ReplyBytes bytes = builder.Build(Request(kInterfaceSata, kDiskId));
        EXPECT_TRUE(ReplyChecksumOk(bytes.data(), bytes.size())) << c.what;
        const PipeReply reply = Decoded(bytes);
        EXPECT_EQ(reply.StatusValid, c.statusValid) << c.what;
        EXPECT_EQ(reply.DataValid, c.dataValid) << c.what;
        EXPECT_EQ(reply.DataLength, c.dataValid ? 2 : 0) << c.what;
        EXPECT_EQ(sink.Entries, c.entries) << c.what;
    }
}

TEST(PipeReplyBuilder, GivesStatusValidWithActiveZeroForAnInactiveDrive) {
    FakeWmiSource wmi;
    wmi.Set(kFailurePredictNamespace, kFailurePredictStatusClass, StatusClass(kDiskName, false, false));
    FakeDeviceIo devices;
    RecordingEventSink sink;
    PipeReplyBuilder builder(wmi, devices);
    const PipeReply reply = Decoded(builder.Build(Request(kInterfaceSata, kDiskId)));
    EXPECT_EQ(reply.StatusValid, 1);
    EXPECT_EQ(reply.Active, 0);
    EXPECT_EQ(reply.PredictFailure, 0);
}

TEST(PipeReplyBuilder, KeepsAnActiveFlagStoredBeforeTheStatusReadFailed) {
    FakeWmiSource wmi;
    wmi.Set(kFailurePredictNamespace, kFailurePredictStatusClass,
            FakeClass{{u"InstanceName", u"Active"}, {{WmiVariant::Text(kDiskName), WmiVariant::Bool(true)}}, 0});
    FakeDeviceIo devices;
    RecordingEventSink sink;
    PipeReplyBuilder builder(wmi, devices);
    const ReplyBytes bytes = builder.Build(Request(kInterfaceSata, kDiskId));
    EXPECT_TRUE(ReplyChecksumOk(bytes.data(), bytes.size()));
    const PipeReply reply = Decoded(bytes);
    EXPECT_EQ(reply.StatusValid, 0);
    EXPECT_EQ(reply.Active, 1);
    EXPECT_EQ(sink.Entries.back(), "FILE Umain LINE 329 CODE -1");
}

TEST(PipeReplyBuilder, MatchesAnAnsiInstanceNameAgainstWmiTextIgnoringCase) {
    // 0xE4 is a small a with diaeresis in the ANSI code page.
    FakeWmiSource wmi;
    wmi.Set(kFailurePredictNamespace, kFailurePredictStatusClass, StatusClass(u"USB\\LAUFWERK_\u00C4_0", true, true));
    FakeDeviceIo devices;
    RecordingEventSink sink;
    PipeReplyBuilder builder(wmi, devices);
    const PipeReply reply = Decoded(builder.Build(Request(kInterfaceUsb, "usb\\laufwerk_\xE4")));
    EXPECT_EQ(reply.StatusValid, 1);
    EXPECT_EQ(reply.PredictFailure, 1);
}

TEST(PipeReplyBuilder, AnswersAnUnknownDriveWithZeroFlagsAndNoReport) {
    Machine machine;
    PipeReplyBuilder builder(machine.wmi, machine.devices);
    const ReplyBytes bytes = builder.Build(Request(kInterfaceSata, "IDE\\SOMEONE_ELSE"));
    EXPECT_EQ(bytes, ReplyBytes{});
    EXPECT_TRUE(machine.sink.Entries.empty());
}

}  // namespace
}  // namespace velmora
