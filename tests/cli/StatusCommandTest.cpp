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
}

TEST_F(StatusCommandTest, TextNamesEachDriveByPositionAndNumberWithItsStatus) {
    SetDisks({Disk(0, u"VELMORA R730 SSD", u"Q5RT2B1"), Disk(1, u"KESTRIN 512", u"Q3RT0001")});
    ReplyWith(test_support::AtaReply(1, 1, 1));  // both answer: active, failure predicted
    const ConsoleOutput output = RunStatus(wmi, devices, pipes, false);
    for (const char* expected : {"Drive 1 of 2 (drive number 0)\n", "Drive 2 of 2 (drive number 1)\n",
                                 "  Model:                VELMORA R730 SSD\n", "  Status:               BAD\n"}) {
        EXPECT_NE(output.Out.find(expected), std::string::npos) << expected << " in " << output.Out;
    }
}

TEST_F(StatusCommandTest, AnNvmeDriveWithoutValuesBeforeWindows10IsGivenTheReason) {
    const struct {
        const char16_t* Os;
        bool Reason;
    } cases[] = {{u"6.1.7601", true}, {u"6.2.9200", true}, {u"6.3.9600", true}, {u"10.0.19045", false}};
    for (const auto& c : cases) {
        SetOs(c.Os);
        SetDisks({Disk(0, u"VELMORA LP520 NVMe SSD", u"N2RT1A05")});
        ReplyWith(PipeReply{});  // the service could not read the health log
        const ConsoleOutput text = RunStatus(wmi, devices, pipes, false);
        const ConsoleOutput json = RunStatus(wmi, devices, pipes, true);
        const bool inText =
            text.Out.find("  Status:               UNKNOWN (NVMe values need Windows 10 or later)\n") != std::string::npos;
        const bool inJson = json.Out.find("\"status\": \"UNKNOWN\", \"reason\": \"NVMe values need Windows 10 or later\"}") !=
                            std::string::npos;
        EXPECT_EQ(inText, c.Reason) << text.Out;
        EXPECT_EQ(inJson, c.Reason) << json.Out;
        EXPECT_EQ(json.Out.find("reason") != std::string::npos, c.Reason) << json.Out;
    }
}

// The exit status follows the worst drive: BAD before UNKNOWN before OK.
TEST(StatusExitCode, FollowsTheWorstDrive) {
    struct Flags {
        std::uint8_t SmartValid, Healthy;
    };
    constexpr Flags kOk{1, 1};
    constexpr Flags kBad{1, 0};
    constexpr Flags kUnknown{0, 1};
    const struct {
        const char* Name;
        std::vector<Flags> Drives;
        int Expected;
    } cases[] = {
        {"no drive", {}, exit_status::NoDrive},
        {"all OK", {kOk, kOk}, exit_status::AllOk},
        {"one UNKNOWN", {kOk, kUnknown}, exit_status::SomeUnknown},
        {"BAD after UNKNOWN", {kUnknown, kBad}, exit_status::SomeBad},
        {"BAD before UNKNOWN", {kBad, kUnknown}, exit_status::SomeBad},
    };
    for (const auto& c : cases) {
        DriveTable table;
        for (std::size_t i = 0; i < c.Drives.size(); ++i) {
            table[static_cast<int>(i)].SmartValid = c.Drives[i].SmartValid;
            table[static_cast<int>(i)].Healthy = c.Drives[i].Healthy;
        }
        table.SetDisksCount(static_cast<int>(c.Drives.size()));
        EXPECT_EQ(StatusExitCode(table), c.Expected) << c.Name;
    }
}

}  // namespace
}  // namespace velmora::cli
