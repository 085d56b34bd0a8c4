#include "cli/CaptureCommand.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/DriveSetWriter.h"
#include "common/SimulatedDeviceIo.h"
#include "common/SimulatedWmiSource.h"
#include "tests/cli/SimulatedMachine.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora::cli {
namespace {

DriveSet DemoSet() {
    std::ifstream file(std::string(VELMORA_TEST_DATA) + "/../../examples/demo-drives.ini", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    DriveSetParseResult parsed = ParseDriveSet(text.str());
    EXPECT_TRUE(parsed.Ok()) << "line " << parsed.Line;
    return parsed.Set;
}

TEST(CaptureCommand, ReplayingACaptureGivesTheSameStatus) {
    fakes::RecordingEventSink events;
    SimulatedMachine original(DemoSet());
    const ConsoleOutput before = RunStatus(original.wmi, original.devices, original.pipes, true);
    ASSERT_NE(before.Out.find("\"refreshed\": true"), std::string::npos) << before.Out;

    const ConsoleOutput captured = RunCapture(original.wmi, original.devices, original.pipes);
    ASSERT_EQ(captured.ExitStatus, 0);
    const DriveSetParseResult replayed = ParseDriveSet(captured.Out);
    ASSERT_TRUE(replayed.Ok()) << "line " << replayed.Line << "\n" << captured.Out;

    SimulatedMachine copy(replayed.Set);
    const ConsoleOutput after = RunStatus(copy.wmi, copy.devices, copy.pipes, true);
    EXPECT_EQ(after.Out, before.Out);
    EXPECT_EQ(after.ExitStatus, before.ExitStatus);
    EXPECT_EQ(RunStatus(copy.wmi, copy.devices, copy.pipes, false).Out,
              RunStatus(original.wmi, original.devices, original.pipes, false).Out);
}

TEST(CaptureCommand, AsksTheServiceByTheInterfaceTheDescriptorsFirmwareImplies) {
    fakes::RecordingEventSink events;
    DriveSet set = DemoSet();
    DriveSetDisk& nvme = set.Disks.at(1);
    ASSERT_TRUE(nvme.HealthLog.has_value());
    nvme.BusType = 8;  // RAID: no interface of its own, so the family decides
    nvme.FirmwareRevision.reset();  // only the descriptor names the N2 family
    SimulatedMachine machine(set);

    const DriveSet captured = CaptureDriveSet(machine.wmi, machine.devices, machine.pipes);
    ASSERT_EQ(captured.Disks.size(), set.Disks.size());
    EXPECT_EQ(captured.Disks[1].HealthLog, nvme.HealthLog);
}

TEST(CaptureCommand, KeepsDescriptorStringsUndecodedAndAnswersByInterface) {
    fakes::RecordingEventSink events;
    SimulatedMachine machine(DemoSet());
    const DriveSet captured = CaptureDriveSet(machine.wmi, machine.devices, machine.pipes);
    const DriveSet demo = DemoSet();
    ASSERT_EQ(captured.Disks.size(), demo.Disks.size());
    for (std::size_t i = 0; i < demo.Disks.size(); ++i) {
        EXPECT_EQ(captured.Disks[i].DescriptorSerial, demo.Disks[i].DescriptorSerial) << i;
        EXPECT_EQ(captured.Disks[i].ProductId, demo.Disks[i].ProductId) << i;
        EXPECT_EQ(captured.Disks[i].HealthLog, demo.Disks[i].HealthLog) << i;
        if (!demo.Disks[i].HealthLog) {
            EXPECT_EQ(captured.Disks[i].VendorSpecific, demo.Disks[i].VendorSpecific) << i;
        }
    }
}

TEST(DriveSetWriter, WrittenSetsParseBackToTheSameValues) {
    DriveSet set;
    set.Os = DriveSetOs{std::string("10.0.19045")};
    DriveSetDisk disk;
    disk.Index = "7";
    disk.Model = "  spaced model ; with semicolon  ";
    disk.SerialNumber = "line\nbreak";
    disk.BusType = 255;
    disk.Active = false;
    disk.PredictFailure = true;
    disk.VendorSpecific = std::vector<std::uint8_t>(37, 0xA5);
    set.Disks.push_back(disk);
    set.Disks.push_back(DriveSetDisk{});  // a disk with no keys at all

    const DriveSetParseResult back = ParseDriveSet(FormatDriveSet(set, "test"));
    ASSERT_TRUE(back.Ok()) << back.Line;
    ASSERT_EQ(back.Set.Disks.size(), 2u);
    const DriveSetDisk& read = back.Set.Disks[0];
    EXPECT_EQ(read.Model, disk.Model);
    EXPECT_EQ(read.SerialNumber, std::string("line break"));  // one line per value
    EXPECT_EQ(read.BusType, disk.BusType);
    EXPECT_EQ(read.Active, disk.Active);
    EXPECT_EQ(read.PredictFailure, disk.PredictFailure);
    EXPECT_EQ(read.VendorSpecific, disk.VendorSpecific);
    EXPECT_EQ(back.Set.Os->Version, set.Os->Version);
}

}  // namespace
}  // namespace velmora::cli
