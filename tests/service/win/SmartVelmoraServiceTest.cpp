// The service object run in this process on a thread of its own, standing
// in for the SCM's service thread, with fake sources behind the pipe.

#include "service/win/SmartVelmoraService.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <atomic>
#include <string>
#include <thread>

#include "common/win/ComSecurity.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/fakes/RecordingEventSink.h"
#include "tests/fakes/ThrowingWmiSource.h"
#include "tests/fakes/win/RecordingStatusReporter.h"
#include "tests/service/win/ServiceTestSupport.h"

namespace velmora::win {
namespace {

constexpr ULONGLONG kDeadlineMs = 20000;

bool PipeExists() { return ::WaitNamedPipeA(kPipeName, 0) || ::GetLastError() != ERROR_FILE_NOT_FOUND; }

bool PollUntil(bool wanted, bool (*probe)()) {
    const ULONGLONG deadline = ::GetTickCount64() + kDeadlineMs;
    while (::GetTickCount64() < deadline) {
        if (probe() == wanted) return true;
        ::Sleep(5);
    }
    return false;
}

template <typename Wmi>
class ServiceOnAThread : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing::RemoveService(kServiceName));  // no real service on the pipe
        ASSERT_FALSE(PipeExists());
    }
    void TearDown() override {
        if (thread.joinable()) {
            static_cast<void>(service.PostControl(SERVICE_CONTROL_STOP));
            thread.join();
        }
    }

    void Start() {
        thread = std::thread([this] {
            service.SetStatusReporter(reporter);
            service.AttachServiceThread();
            service.ReportStatus(SERVICE_RUNNING);
            exit = service.RunExecute();
            finished = true;
        });
    }

    bool WaitFinished() {
        const ULONGLONG deadline = ::GetTickCount64() + kDeadlineMs;
        while (!finished && ::GetTickCount64() < deadline) ::Sleep(5);
        if (finished) thread.join();
        return finished;
    }

    fakes::RecordingEventSink events;
    Wmi wmi;
    fakes::FakeDeviceIo devices;
    fakes::RecordingStatusReporter reporter;
    TSMART_VELMORA service{wmi, devices};
    std::thread thread;
    std::atomic<bool> finished{false};
    ServiceExit exit;
};

using ServingService = ServiceOnAThread<fakes::FakeWmiSource>;
using FailingService = ServiceOnAThread<fakes::ThrowingWmiSource>;

TEST_F(ServingService, AcceptsAStopAndAsksItsLoopToEnd) {
    bool stopped = false;
    service.ServiceStop(stopped);
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(service.StopRequested);
}

TEST_F(ServingService, AnswersAClientAndEndsOnAStopWithThePipeClosed) {
    Start();
    ASSERT_TRUE(PollUntil(true, PipeExists));
    const testing::Exchange exchange = testing::ExchangeWithService(PipeRequest{0, kInterfaceSata, "SCSI"});
    ASSERT_EQ(exchange.ReplyLength, PIPE_REPLY_SIZE);
    EXPECT_TRUE(ReplyChecksumOk(exchange.Reply.data(), exchange.Reply.size()));
    EXPECT_EQ(wmi.ExecuteCount, 2);  // the data query, then the status query

    ASSERT_TRUE(service.PostControl(SERVICE_CONTROL_STOP));
    ASSERT_TRUE(WaitFinished());
    EXPECT_FALSE(PipeExists());
    EXPECT_FALSE(service.PipeHandle.valid());
    EXPECT_EQ(exit.Win32ExitCode, static_cast<DWORD>(NO_ERROR));
    bool sawStopPending = false;
    for (const SERVICE_STATUS& status : reporter.Reports) {
        sawStopPending = sawStopPending || status.dwCurrentState == SERVICE_STOP_PENDING;
    }
    EXPECT_TRUE(sawStopPending);
}

TEST_F(ServingService, ComSecuritySetEarlierDoesNotKeepThePipeServerFromServing) {
    // Process-wide COM security can be set once only; take that chance first.
    std::thread earlier([] {
        if (SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
            static_cast<void>(InitializeComSecurity());
            ::CoUninitialize();
        }
    });
    earlier.join();
    Start();
    ASSERT_TRUE(PollUntil(true, PipeExists));
    const testing::Exchange exchange = testing::ExchangeWithService(PipeRequest{0, kInterfaceNvme, ""});
    EXPECT_EQ(exchange.ReplyLength, PIPE_REPLY_SIZE);
    ASSERT_TRUE(service.PostControl(SERVICE_CONTROL_STOP));
    ASSERT_TRUE(WaitFinished());
    // Windows refuses the second call (reported as line 159); Wine accepts
    // it. Either way the server runs and ends cleanly.
    for (const std::string& entry : events.Entries) {
        if (entry.rfind("FILE Umain ", 0) == 0) {
            EXPECT_EQ(entry.rfind("FILE Umain LINE 159 CODE ", 0), 0u) << entry;
        }
    }
    EXPECT_EQ(exit.Win32ExitCode, static_cast<DWORD>(NO_ERROR));
}

TEST_F(ServingService, AStopThatArrivesBeforeTheLoopStartsIsHonoured) {
    Start();
    ASSERT_TRUE(PollUntil(true, PipeExists));
    // Posted twice: both end up in the queue; the loop needs only one.
    ASSERT_TRUE(service.PostControl(SERVICE_CONTROL_STOP));
    ASSERT_TRUE(service.PostControl(SERVICE_CONTROL_STOP));
    ASSERT_TRUE(WaitFinished());
    EXPECT_TRUE(service.StopRequested);
}

TEST_F(ServingService, PipeTakenByAnotherProgramEndsTheHandlerWithReportAndExitCode187) {
    FileHandle squatter(::CreateNamedPipeA(kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                           PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr));
    ASSERT_TRUE(squatter);
    Start();
    ASSERT_TRUE(WaitFinished());
    EXPECT_EQ(exit.Win32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(exit.ServiceSpecificExitCode, 187u);
    bool reported = false;
    for (const std::string& entry : events.Entries) {
        reported = reported || entry.rfind("FILE Umain LINE 187 CODE ", 0) == 0;
    }
    EXPECT_TRUE(reported);
    EXPECT_FALSE(service.PipeHandle.valid());
}

TEST_F(FailingService, ExceptionFromTheQueriesIsLoggedAndStopsTheServiceWithItsPipeClosed) {
    Start();
    ASSERT_TRUE(PollUntil(true, PipeExists));
    const testing::Exchange exchange = testing::ExchangeWithService(PipeRequest{0, kInterfaceSata, "SCSI"});
    EXPECT_TRUE(exchange.Connected);
    EXPECT_EQ(exchange.ReplyLength, 0u);
    ASSERT_TRUE(WaitFinished());
    EXPECT_EQ(wmi.ExecuteCount, 1);
    ASSERT_FALSE(events.Entries.empty());
    EXPECT_EQ(events.Entries.back(), "Service failed on execute: Out of memory!");
    EXPECT_EQ(exit.Win32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(exit.ServiceSpecificExitCode, kExitCodeExecuteException);
    EXPECT_FALSE(service.PipeHandle.valid());
    EXPECT_FALSE(PipeExists());
}

}  // namespace
}  // namespace velmora::win
