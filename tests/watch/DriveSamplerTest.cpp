#include "watch/DriveSampler.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/DriveSet.h"
#include "tests/cli/SimulatedMachine.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/FakePipeSystem.h"
#include "tests/fakes/FakeWatchClock.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora::watch {
namespace {

// One drive of each firmware family, served through the loopback pipe.
DriveSet Families() {
    std::ifstream file(std::string(VELMORA_TEST_DATA) + "/families.ini", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return ParseDriveSet(text.str()).Set;
}

TEST(DriveSampler, SamplesEveryDriveWithTheValuesStatusGives) {
    cli::SimulatedMachine machine(Families());
    fakes::FakeWatchClock clock;
    SourcesSampler sampler(machine.wmi, machine.devices, machine.pipes, clock);
    const std::atomic<bool> stop{false};
    const SampleOutcome outcome = sampler.Sample(stop);
    ASSERT_TRUE(outcome.Listed);
    EXPECT_FALSE(outcome.Cancelled);
    std::string seen;
    for (const history::TimedSample& s : outcome.Samples) {
        EXPECT_EQ(s.Time, clock.Now);
        seen += s.Sample.Drive.SerialNumber + " " + s.Sample.Values.Status + " " +
                std::to_string(s.Sample.Values.LifeMeter.value_or(-1)) + "; ";
    }
    // As families-status.json gives them.
    EXPECT_EQ(seen,
              "VMQ5000001 OK 80; VMQC000002 OK 88; VMQD000003 BAD 100; VMQ3000004 UNKNOWN 50; "
              "VMN2000005 UNKNOWN 90; ");
}

TEST(DriveSampler, StopBetweenDrivesEndsTheSampleAtOnce) {
    std::atomic<bool> stop{false};
    int requests = 0;
    cli::SimulatedMachine machine(Families(), [&](std::span<const std::uint8_t>, const ReplyBytes*) {
        ++requests;
        stop = true;  // the service stops while the first drive is refreshed
    });
    fakes::FakeWatchClock clock;
    SourcesSampler sampler(machine.wmi, machine.devices, machine.pipes, clock);
    const SampleOutcome outcome = sampler.Sample(stop);
    EXPECT_TRUE(outcome.Cancelled);
    EXPECT_EQ(outcome.Samples.size(), 1u);
    EXPECT_EQ(requests, 1);
}

TEST(DriveSampler, FailedEnumerationIsNoListing) {
    fakes::RecordingEventSink reports;
    fakes::FakeWmiSource wmi;
    wmi.Set(u"root\\cimv2", u"Win32_DiskDrive", fakes::FakeClass{{}, {}, wmi_result::QueryFailed});
    fakes::FakeDeviceIo devices;
    fakes::FakePipeSystem pipes;
    fakes::FakeWatchClock clock;
    SourcesSampler sampler(wmi, devices, pipes, clock);
    const std::atomic<bool> stop{false};
    const SampleOutcome outcome = sampler.Sample(stop);
    EXPECT_FALSE(outcome.Listed);
    EXPECT_TRUE(outcome.Samples.empty());
    EXPECT_EQ(pipes.OpenCount, 0);
}

}  // namespace
}  // namespace velmora::watch
