#include "drives/PipeClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "tests/fakes/FakePipeSystem.h"
#include "tests/fakes/RecordingEventSink.h"

namespace velmora {
namespace {

constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kBrokenPipe = 109;

std::vector<std::uint8_t> CountingReply() {
    std::vector<std::uint8_t> reply(PIPE_REPLY_SIZE);
    std::iota(reply.begin(), reply.end(), std::uint8_t{1});
    return reply;
}

struct PipeClientTest : ::testing::Test {
    PipeClientTest() {
        drive.Index = 3;
        drive.InterfaceType = kInterfaceNvme;
        drive.PNPDeviceID = "SCSI\\DISK&VEN_NVME&PROD_VELMORA\\5&2";
        pipes.Reply = CountingReply();
        reply.fill(0xAA);
    }
    int Request() { return RequestSmartData(pipes, drive, reply); }

    fakes::RecordingEventSink events;
    fakes::FakePipeSystem pipes;
    DriveInfo drive;
    ReplyBytes reply{};
};

TEST_F(PipeClientTest, OneExchangeSendsTheRequestAndFillsTheWholeReply) {
    ASSERT_EQ(Request(), 0);
    ASSERT_EQ(pipes.Written.size(), PIPE_REQUEST_SIZE);
    const PipeRequest sent = PipeRequest::Decode(std::span<const std::uint8_t, PIPE_REQUEST_SIZE>(pipes.Written.data(), PIPE_REQUEST_SIZE));
    EXPECT_EQ(sent.DriveNumber, 3);
    EXPECT_EQ(sent.InterfaceType, kInterfaceNvme);
    EXPECT_EQ(sent.InstanceName, drive.PNPDeviceID);
    EXPECT_TRUE(std::equal(reply.begin(), reply.end(), pipes.Reply.begin()));
    EXPECT_EQ(pipes.OpenCount, 1);
    EXPECT_EQ(pipes.ClosedCount, 1);
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(PipeClientTest, AReplyInPiecesIsCollectedWhole) {
    for (std::size_t chunk : {std::size_t{1000}, std::size_t{4116}, std::size_t{1}}) {
        pipes.ReadChunk = chunk;
        reply.fill(0);
        ASSERT_EQ(Request(), 0) << chunk;
        EXPECT_TRUE(std::equal(reply.begin(), reply.end(), pipes.Reply.begin())) << chunk;
    }
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(PipeClientTest, EachFailureIsReportedAtItsLineAndClosesWhatWasOpened) {
    struct Case {
        const char* name;
        void (*arrange)(fakes::FakePipeSystem&);
        const char* entry;
        int closed;
    };
    const Case cases[] = {
        {"service not running", [](fakes::FakePipeSystem& p) { p.OpenErrorAlways = kFileNotFound; },
         "FILE pipe LINE 38 CODE 2", 0},
        {"access denied", [](fakes::FakePipeSystem& p) { p.OpenErrorAlways = kAccessDenied; },
         "FILE pipe LINE 38 CODE 5", 0},
        {"busy wait fails",
         [](fakes::FakePipeSystem& p) {
             p.OpenErrorAlways = pipe_error::PipeBusy;
             p.WaitError = pipe_error::SemTimeout;
         },
         "FILE pipe LINE 46 CODE 121", 0},
        {"read mode refused", [](fakes::FakePipeSystem& p) { p.ReadModeError = 1; }, "FILE pipe LINE 63 CODE 1", 1},
        {"write fails", [](fakes::FakePipeSystem& p) { p.WriteError = 232; }, "FILE pipe LINE 83 CODE 232", 1},
        {"read fails", [](fakes::FakePipeSystem& p) { p.ReadError = kBrokenPipe; }, "FILE pipe LINE 96 CODE 109", 1},
        {"dropped without reply",
         [](fakes::FakePipeSystem& p) {
             p.Reply.clear();
             p.ErrorAfterReply = kBrokenPipe;
         },
         "FILE pipe LINE 96 CODE 109", 1},
        {"short reply then broken pipe",
         [](fakes::FakePipeSystem& p) {
             p.Reply.resize(100);
             p.ErrorAfterReply = kBrokenPipe;
         },
         "FILE pipe LINE 96 CODE 109", 1},
        {"short reply then quiet close", [](fakes::FakePipeSystem& p) { p.Reply.resize(PIPE_REPLY_SIZE - 1); },
         "FILE pipe LINE 96 CODE 38", 1},
    };
    for (const auto& c : cases) {
        fakes::FakePipeSystem failing;
        failing.Reply = CountingReply();
        c.arrange(failing);
        events.Entries.clear();
        EXPECT_EQ(RequestSmartData(failing, drive, reply), -1) << c.name;
        EXPECT_EQ(events.Entries, (std::vector<std::string>{c.entry})) << c.name;
        EXPECT_EQ(failing.ClosedCount, c.closed) << c.name;
    }
}

TEST_F(PipeClientTest, AReplyNotWholeTwoSecondsAfterTheFirstReadIsGivenUpAsATimeOut) {
    struct Case {
        const char* name;
        std::size_t chunk;
        std::uint64_t delayMs;
        std::vector<std::uint32_t> timeouts;  // what each read was allowed
        bool whole;
    };
    const Case cases[] = {
        {"service that never answers", PIPE_REPLY_SIZE, 1000000, {2000}, false},
        {"pieces that trickle in", 1000, 600, {2000, 1400, 800, 200}, false},
        {"last piece due at the limit", 1000, 500, {2000, 1500, 1000, 500}, false},
        {"pieces that make it in time", 1500, 600, {2000, 1400, 800}, true},
    };
    for (const auto& c : cases) {
        fakes::FakePipeSystem slow;
        slow.Reply = CountingReply();
        slow.ReadChunk = c.chunk;
        slow.ReadDelayMs = c.delayMs;
        slow.ClockMs = 123;  // the clock does not start at zero
        events.Entries.clear();
        EXPECT_EQ(RequestSmartData(slow, drive, reply), c.whole ? 0 : -1) << c.name;
        EXPECT_EQ(slow.ReadTimeouts, c.timeouts) << c.name;
        const std::vector<std::string> expected =
            c.whole ? std::vector<std::string>{} : std::vector<std::string>{"FILE pipe LINE 96 CODE 121"};
        EXPECT_EQ(events.Entries, expected) << c.name;
        EXPECT_LE(slow.ClockMs, 123 + kPipeStepTimeoutMs) << c.name;
    }
}

TEST_F(PipeClientTest, ABusyServiceIsWaitedForAndThenAnsweredWithoutReport) {
    pipes.OpenErrors = {pipe_error::PipeBusy, pipe_error::PipeBusy};
    ASSERT_EQ(Request(), 0);
    EXPECT_EQ(pipes.OpenCount, 3);
    EXPECT_EQ(pipes.WaitTimeouts, (std::vector<std::uint32_t>{20000, 20000}));
    EXPECT_EQ(pipes.ClosedCount, 1);
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(PipeClientTest, APipeThatStaysBusyIsGivenUpAfterSixtySeconds) {
    pipes.OpenErrorAlways = pipe_error::PipeBusy;  // every wait succeeds after 1 s, every open finds it busy again
    EXPECT_EQ(Request(), -1);
    EXPECT_EQ(events.Entries, (std::vector<std::string>{"FILE pipe LINE 46 CODE 121"}));
    EXPECT_EQ(pipes.ClockMs, kPipeBusyTotalMs);
    EXPECT_EQ(pipes.WaitTimeouts.size(), 60u);
    EXPECT_EQ(pipes.OpenCount, 61);
}

TEST_F(PipeClientTest, TheLastBusyWaitIsShortenedToTheTimeLeft) {
    pipes.OpenErrorAlways = pipe_error::PipeBusy;
    pipes.WaitError = pipe_error::SemTimeout;  // each wait runs its full time
    pipes.ClockMs = 5000;                      // the clock does not start at zero
    EXPECT_EQ(Request(), -1);
    EXPECT_EQ(pipes.WaitTimeouts, (std::vector<std::uint32_t>{20000}));

    fakes::FakePipeSystem slow;
    slow.OpenErrorAlways = pipe_error::PipeBusy;
    slow.ClockMs = 7;
    // Waits that end early but late enough to reach the limit in three steps.
    struct SlowWaits final : PipeSystem {
        fakes::FakePipeSystem& inner;
        explicit SlowWaits(fakes::FakePipeSystem& p) : inner(p) {}
        std::unique_ptr<PipeConnection> Open(std::uint32_t& error) override { return inner.Open(error); }
        bool WaitForPipe(std::uint32_t timeoutMs, std::uint32_t&) override {
            inner.WaitTimeouts.push_back(timeoutMs);
            inner.ClockMs += 25000;
            return true;
        }
        std::uint64_t NowMs() override { return inner.NowMs(); }
    } waits(slow);
    EXPECT_EQ(RequestSmartData(waits, drive, reply), -1);
    EXPECT_EQ(slow.WaitTimeouts, (std::vector<std::uint32_t>{20000, 20000, 10000}));
    EXPECT_EQ(events.Entries.back(), "FILE pipe LINE 46 CODE 121");
}

}  // namespace
}  // namespace velmora
