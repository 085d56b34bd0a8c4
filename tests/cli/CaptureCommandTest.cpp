#include "cli/CaptureCommand.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/DriveSetWriter.h"
#include "common/SimulatedDeviceIo.h"
#include "common/SimulatedWmiSource.h"
#include "service/ReplyBuilder.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora::cli {
namespace {

// The toolbox's pipe wired straight to a reply builder over the same sources,
// so a status or capture runs the whole exchange without a service process.
class LoopbackPipeSystem final : public PipeSystem {
public:
    explicit LoopbackPipeSystem(ReplyBuilder& builder) : builder_(builder) {}

    std::unique_ptr<PipeConnection> Open(std::uint32_t& error) override {
        error = 0;
        return std::make_unique<Connection>(builder_);
    }
    bool WaitNamedPipe(std::uint32_t, std::uint32_t&) override { return true; }
    std::uint64_t NowMs() override { return 0; }

private:
    class Connection final : public PipeConnection {
    public:
        explicit Connection(ReplyBuilder& builder) : builder_(builder) {}
        PipeIoResult SetReadModeByte() override { return {true, 0, 0}; }
        PipeIoResult Write(std::span<const std::uint8_t> bytes) override {
            if (bytes.size() != PIPE_REQUEST_SIZE) return {false, 0, 109};
            reply_ = builder_.Build(std::span<const std::uint8_t, PIPE_REQUEST_SIZE>(bytes.data(), PIPE_REQUEST_SIZE));
            return {true, static_cast<std::uint32_t>(bytes.size()), 0};
        }
        PipeIoResult Read(std::span<std::uint8_t> bytes) override {
            const std::size_t count = std::min(bytes.size(), reply_.size() - delivered_);
            std::copy_n(reply_.begin() + static_cast<std::ptrdiff_t>(delivered_), count, bytes.begin());
            delivered_ += count;
            return {true, static_cast<std::uint32_t>(count), 0};
        }

    private:
        ReplyBuilder& builder_;
        ReplyBytes reply_{};
        std::size_t delivered_ = 0;
    };
    ReplyBuilder& builder_;
};

// A machine made from a drive set: WMI, devices and a service answering from it.
struct SimulatedMachine {
    explicit SimulatedMachine(const DriveSet& set)
        : wmi(set, fallback), devices(set), builder(wmi, devices), pipes(builder) {}
    fakes::FakeWmiSource fallback;
    SimulatedWmiSource wmi;
    SimulatedDeviceIo devices;
    ReplyBuilder builder;
    LoopbackPipeSystem pipes;
};

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
