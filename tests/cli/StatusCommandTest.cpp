#include "cli/StatusCommand.h"

#include <gtest/gtest.h>

#include "cli/CommandLine.h"
#include "tests/drives/PipeReplies.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/FakePipeSystem.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora::cli {
namespace {

using fakes::FakeClass;

WmiVariant T(const char16_t* text) { return WmiVariant::Text(text); }

class StatusCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetOs(u"10.0.19045");
        devices.OpenError = 2;  // no descriptors: identity comes from WMI alone
    }
    void SetOs(const char16_t* version) {
        wmi.Set(u"root\\cimv2", u"Win32_OperatingSystem", FakeClass{{u"Version"}, {{T(version)}}});
    }
    void SetDisks(std::vector<std::vector<WmiVariant>> rows) {
        wmi.Set(u"root\\cimv2", u"Win32_DiskDrive",
                FakeClass{{u"Index", u"DeviceID", u"PNPDeviceID", u"Model", u"SerialNumber", u"FirmwareRevision", u"Size"},
                          std::move(rows)});
    }
    static std::vector<WmiVariant> Disk(int index, const char16_t* model, const char16_t* firmware) {
        return {WmiVariant::Int32(index), T(u"\\\\.\\PHYSICALDRIVE0"), T(u"SCSI\\DISK&VEN_X"), T(model),
                T(u"AB12"), T(firmware), T(u"256060514304")};
    }
    void ReplyWith(const PipeReply& reply) {
        const ReplyBytes bytes = SealReply(reply);
        pipes.Reply.assign(bytes.begin(), bytes.end());
    }

    fakes::RecordingEventSink events;
    fakes::FakeWmiSource wmi;
    fakes::FakeDeviceIo devices;
    fakes::FakePipeSystem pipes;
};

TEST_F(StatusCommandTest, RefusedSystemEndsWithFailureAndTheWindowsText) {
    SetOs(u"6.0.6002");
    const ConsoleOutput output = RunStatus(wmi, devices, pipes, false);
    EXPECT_EQ(output.ExitStatus, exit_status::Failure);
    EXPECT_EQ(output.Err, "Unsupported operating system!\n");
    EXPECT_TRUE(output.Out.empty());
}

TEST_F(StatusCommandTest, NoMakersDriveGivesThreeAndAnEmptyList) {
    SetDisks({Disk(0, u"Other Disk 1TB", u"AB01")});
    const ConsoleOutput output = RunStatus(wmi, devices, pipes, true);
    EXPECT_EQ(output.ExitStatus, exit_status::NoDrive);
    EXPECT_EQ(output.Err, "VELMORA SSD not found!\n");
    EXPECT_EQ(output.Out, "{\"drives\": []}\n");
}

TEST_F(StatusCommandTest, FailedEnumerationGivesFour) {
    wmi.Set(u"root\\cimv2", u"Win32_DiskDrive", FakeClass{{}, {}, -3});
    EXPECT_EQ(RunStatus(wmi, devices, pipes, false).ExitStatus, exit_status::Failure);
    ASSERT_FALSE(events.Entries.empty());
    EXPECT_EQ(events.Entries[0], "FILE smart LINE 27 CODE -3");
}

TEST_F(StatusCommandTest, HealthyDriveIsDescribedWithItsValuesAndExitsZero) {
    SetDisks({Disk(3, u"VELMORA R730 SSD", u"Q5RT2B1")});
    PipeReply reply = test_support::AtaReply(1, 1, 0);
    test_support::PutAtaEntry(reply, 0, {9, 1337});
    test_support::PutAtaEntry(reply, 1, {12, 42});
    test_support::PutAtaEntry(reply, 2, {173, (32u << 16) | 16u});  // Q5: avg 16, max 32
    ReplyWith(reply);

    const ConsoleOutput output = RunStatus(wmi, devices, pipes, true);
    EXPECT_EQ(output.ExitStatus, exit_status::AllOk);
    const std::string& json = output.Out;
    for (const char* expected :
         {"\"position\": 0", "\"drive_number\": 3", "\"model\": \"VELMORA R730 SSD\"", "\"capacity_gb\": 256",
          "\"firmware\": \"Q5RT2B1\"", "\"interface\": \"SATA\"", "\"refreshed\": true", "\"healthy\": true",
          "\"power_on_hours\": 1337", "\"power_cycles\": 42", "\"avg_erase_count\": 16", "\"max_erase_count\": 32",
          "\"gb_written\": null", "\"life_meter\": 100", "\"status\": \"OK\""}) {
        EXPECT_NE(json.find(expected), std::string::npos) << expected << " in " << json;
    }
}

TEST_F(StatusCommandTest, FailedRefreshLeavesValuesNullAndCountsAsUnknown) {
    SetDisks({Disk(0, u"VELMORA R730 SSD", u"Q5RT2B1")});
    pipes.OpenErrorAlways = 2;  // the service is not running
    const ConsoleOutput output = RunStatus(wmi, devices, pipes, true);
    EXPECT_EQ(output.ExitStatus, exit_status::SomeUnknown);
    for (const char* expected : {"\"refreshed\": false", "\"power_on_hours\": null", "\"life_meter\": null",
                                 "\"smart_valid\": false", "\"status\": \"UNKNOWN\""}) {
        EXPECT_NE(output.Out.find(expected), std::string::npos) << expected;
    }
    EXPECT_EQ(events.Entries, (std::vector<std::string>{"FILE pipe LINE 38 CODE 2", "FILE smart LINE 176 CODE -1"}));
}

TEST_F(StatusCommandTest, ABadDriveOutranksAnUnknownOne) {
    SetDisks({Disk(0, u"VELMORA R730 SSD", u"Q5RT2B1"), Disk(1, u"KESTRIN 512", u"Q3RT0001")});
    ReplyWith(test_support::AtaReply(1, 1, 1));  // both answer: active, failure predicted
    const ConsoleOutput output = RunStatus(wmi, devices, pipes, false);
    EXPECT_EQ(output.ExitStatus, exit_status::SomeBad);
    EXPECT_NE(output.Out.find("Drive 2 of 2"), std::string::npos);
    EXPECT_NE(output.Out.find("Status:               BAD"), std::string::npos) << output.Out;
}

}  // namespace
}  // namespace velmora::cli
