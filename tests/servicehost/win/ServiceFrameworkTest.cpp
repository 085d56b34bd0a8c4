#include "servicehost/win/ServiceFramework.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/fakes/RecordingEventSink.h"
#include "tests/fakes/win/RecordingStatusReporter.h"
#include "tests/fakes/win/ScriptedService.h"

namespace velmora::win {
namespace {

using fakes::RecordingEventSink;
using fakes::RecordingStatusReporter;
using fakes::ScriptedService;

// The test thread stands in for the service thread.
class ServiceFrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        DrainQueue();
        service.SetStatusReporter(reporter);
        service.AttachServiceThread();
        service.ReportStatus(SERVICE_RUNNING);
        reporter.Reports.clear();
    }
    void TearDown() override { DrainQueue(); }

    static void DrainQueue() {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    RecordingEventSink events;
    RecordingStatusReporter reporter;
    ScriptedService service;
};

bool IsSet(HANDLE event) { return ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

TEST_F(ServiceFrameworkTest, PostedStopIsReportedPendingAtOnceButRunsWhenTheServiceThreadProcessesRequests) {
    ASSERT_FALSE(IsSet(service.StopSignal()));
    ASSERT_TRUE(service.PostControl(SERVICE_CONTROL_STOP));
    EXPECT_EQ(service.StopCalls, 0);  // the handler's thread does not stop the work
    EXPECT_EQ(reporter.LastState(), static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_TRUE(IsSet(service.StopSignal()));
    service.ProcessRequests(false);
    EXPECT_EQ(service.StopCalls, 1);
    ASSERT_FALSE(reporter.Reports.empty());
    EXPECT_EQ(reporter.LastState(), static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_EQ(reporter.Reports.back().dwWaitHint, 5000u);
    EXPECT_EQ(reporter.Reports.back().dwControlsAccepted, 0u);
}

TEST_F(ServiceFrameworkTest, RefusedOrFailingStopReturnsToRunning) {
    service.AcceptStop = false;
    ASSERT_TRUE(service.PostControl(SERVICE_CONTROL_STOP));
    service.ProcessRequests(false);
    EXPECT_EQ(reporter.LastState(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_FALSE(IsSet(service.StopSignal()));

    service.ThrowOnStop = true;
    ASSERT_TRUE(service.PostControl(SERVICE_CONTROL_STOP));
    service.ProcessRequests(false);
    EXPECT_EQ(reporter.LastState(), static_cast<DWORD>(SERVICE_RUNNING));
    ASSERT_EQ(events.Entries.size(), 1u);
    EXPECT_EQ(events.Entries[0], "Service failed on stop: stop broke");
}

TEST_F(ServiceFrameworkTest, ShutdownIsCarriedOutAsAStop) {
    ASSERT_TRUE(service.PostControl(SERVICE_CONTROL_SHUTDOWN));
    EXPECT_EQ(reporter.LastState(), static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_TRUE(IsSet(service.StopSignal()));
    service.ProcessRequests(false);
    EXPECT_EQ(service.StopCalls, 1);
}

TEST_F(ServiceFrameworkTest, AStopArrivingAfterTheServiceStoppedReportsNothing) {
    service.ReportStatus(SERVICE_STOPPED);
    reporter.Reports.clear();
    ASSERT_TRUE(service.PostControl(SERVICE_CONTROL_STOP));
    EXPECT_TRUE(reporter.Reports.empty());
}

TEST_F(ServiceFrameworkTest, InterrogateReportsTheCurrentStateAgainAndUnknownCodesAreIgnored) {
    ASSERT_TRUE(service.PostControl(SERVICE_CONTROL_INTERROGATE));
    ASSERT_TRUE(service.PostControl(SERVICE_CONTROL_PAUSE));
    service.ProcessRequests(false);
    ASSERT_EQ(reporter.Reports.size(), 1u);
    EXPECT_EQ(reporter.LastState(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(service.StopCalls, 0);
}

TEST(ServiceFramework, TheControlHandlerTakesUserCodesAndClockControlsOnlyWhenTheSettingsSaySo) {
    win::ServiceSettings withUserControls = ScriptedService::Settings();
    withUserControls.UserControls = true;
    win::ServiceSettings withClockControls = ScriptedService::Settings();
    withClockControls.ClockControls = true;
    const ScriptedService plain;
    const ScriptedService taking(withUserControls);
    const ScriptedService clock(withClockControls);
    struct Case {
        DWORD Control;
        bool Plain, Taking, Clock;
    };
    const Case cases[] = {
        {SERVICE_CONTROL_STOP, true, true, true},
        {SERVICE_CONTROL_SHUTDOWN, true, true, true},
        {SERVICE_CONTROL_INTERROGATE, true, true, true},
        {SERVICE_CONTROL_PAUSE, false, false, false},
        {SERVICE_CONTROL_TIMECHANGE, false, false, true},
        {SERVICE_CONTROL_POWEREVENT, false, false, true},
        {127, false, false, false},
        {128, false, true, false},
        {255, false, true, false},
        {256, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(plain.Takes(c.Control), c.Plain) << c.Control;
        EXPECT_EQ(taking.Takes(c.Control), c.Taking) << c.Control;
        EXPECT_EQ(clock.Takes(c.Control), c.Clock) << c.Control;
    }
}

// A service that takes user codes and clock controls, as the watch does.
class UserControlServiceTest : public ServiceFrameworkTest {
protected:
    static win::ServiceSettings WatchLike() {
        win::ServiceSettings settings = ScriptedService::Settings();
        settings.UserControls = true;
        settings.ClockControls = true;
        return settings;
    }
    void SetUp() override {
        DrainQueue();
        watchLike.SetStatusReporter(reporter);
        watchLike.AttachServiceThread();
        watchLike.ReportStatus(SERVICE_RUNNING);
        reporter.Reports.clear();
    }

    ScriptedService watchLike{WatchLike()};
};

TEST_F(UserControlServiceTest, UserCodesAndClockControlsReachTheServiceThreadAndOthersAreDropped) {
    ASSERT_TRUE(watchLike.PostControl(128));
    ASSERT_TRUE(watchLike.PostControl(SERVICE_CONTROL_PAUSE));
    ASSERT_TRUE(watchLike.PostControl(SERVICE_CONTROL_TIMECHANGE));
    ASSERT_TRUE(watchLike.PostControl(200));
    ASSERT_TRUE(watchLike.PostControl(SERVICE_CONTROL_POWEREVENT));
    EXPECT_TRUE(watchLike.UserControls.empty());  // posting does no work itself
    watchLike.ProcessRequests(false);
    EXPECT_EQ(watchLike.UserControls, (std::vector<DWORD>{128, 200}));
    EXPECT_EQ(watchLike.ClockChanges, 2);
    EXPECT_TRUE(reporter.Reports.empty());

    watchLike.ReportStatus(SERVICE_RUNNING);
    EXPECT_EQ(reporter.Reports.back().dwControlsAccepted,
              static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_TIMECHANGE |
                                 SERVICE_ACCEPT_POWEREVENT));
}

TEST_F(UserControlServiceTest, AFailingUserControlIsLoggedAndTheServiceRunsOn) {
    watchLike.ThrowOnControl = true;
    ASSERT_TRUE(watchLike.PostControl(128));
    watchLike.ProcessRequests(false);
    ASSERT_EQ(events.Entries.size(), 1u);
    EXPECT_EQ(events.Entries[0], "Service failed on control: control broke");
    EXPECT_EQ(watchLike.CurrentState(), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(ServiceFrameworkTest, ProcessRequestsWithoutWaitingReturnsAtOnceWhenNothingIsPosted) {
    service.ProcessRequests(false);
    EXPECT_TRUE(reporter.Reports.empty());
    EXPECT_EQ(service.StopCalls, 0);
}

TEST_F(ServiceFrameworkTest, ProcessRequestsWithWaitingHandlesTheFirstMessageThatArrives) {
    ASSERT_TRUE(service.PostControl(SERVICE_CONTROL_STOP));
    service.ProcessRequests(true);
    EXPECT_EQ(service.StopCalls, 1);
}

TEST_F(ServiceFrameworkTest, RunningAcceptsStopAndShutdownOnlyAndPendingStatesCarryTheWaitHint) {
    service.ReportStatus(SERVICE_START_PENDING);
    service.ReportStatus(SERVICE_START_PENDING);
    service.ReportStatus(SERVICE_RUNNING);
    ASSERT_EQ(reporter.Reports.size(), 3u);
    EXPECT_EQ(reporter.Reports[0].dwWaitHint, 5000u);
    EXPECT_EQ(reporter.Reports[1].dwCheckPoint, reporter.Reports[0].dwCheckPoint + 1);
    EXPECT_EQ(reporter.Reports[0].dwControlsAccepted, 0u);
    EXPECT_EQ(reporter.Reports[2].dwControlsAccepted,
              static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));
    EXPECT_EQ(reporter.Reports[2].dwWaitHint, 0u);
    EXPECT_EQ(reporter.Reports[2].dwCheckPoint, 0u);
    EXPECT_EQ(reporter.Reports[2].dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
}

TEST_F(ServiceFrameworkTest, ExecuteThatReturnsNormallyStopsCleanly) {
    const ServiceExit exit = service.RunExecute();
    EXPECT_EQ(service.ExecuteCalls, 1);
    EXPECT_EQ(exit.Win32ExitCode, static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(exit.ServiceSpecificExitCode, 0u);
    EXPECT_TRUE(events.Entries.empty());
}

TEST_F(ServiceFrameworkTest, ExceptionEscapingExecuteIsLoggedAndReportedAsAFailure) {
    service.OnExecute = [](ScriptedService&) { throw std::runtime_error("Out of memory!"); };
    const ServiceExit exit = service.RunExecute();
    ASSERT_EQ(events.Entries.size(), 1u);
    EXPECT_EQ(events.Entries[0], "Service failed on execute: Out of memory!");
    EXPECT_EQ(exit.Win32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(exit.ServiceSpecificExitCode, kExitCodeExecuteException);

    service.OnExecute = [](ScriptedService&) { throw 42; };
    static_cast<void>(service.RunExecute());
    ASSERT_EQ(events.Entries.size(), 2u);
    EXPECT_EQ(events.Entries[1], "Service failed on execute: unknown exception");
}

TEST_F(ServiceFrameworkTest, FailureCodeSetByExecuteReachesTheScmAsServiceSpecificAndIsForgottenNextRun) {
    service.OnExecute = [](ScriptedService& s) { s.SetServiceSpecificExitCode(187); };
    const ServiceExit failed = service.RunExecute();
    EXPECT_EQ(failed.Win32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(failed.ServiceSpecificExitCode, 187u);

    service.OnExecute = nullptr;
    const ServiceExit clean = service.RunExecute();
    EXPECT_EQ(clean.Win32ExitCode, static_cast<DWORD>(NO_ERROR));

    service.ReportStatus(SERVICE_STOPPED, failed);
    EXPECT_EQ(reporter.Reports.back().dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(reporter.Reports.back().dwServiceSpecificExitCode, 187u);
}

TEST(ServiceFramework, PostingBeforeAServiceThreadIsAttachedFails) {
    ScriptedService service;
    EXPECT_FALSE(service.PostControl(SERVICE_CONTROL_STOP));
}

TEST(ServiceFramework, ControlsPostedFromAnotherThreadRunOnTheServiceThread) {
    ScriptedService service;
    RecordingStatusReporter reporter;
    service.SetStatusReporter(reporter);
    service.AttachServiceThread();
    DWORD stopThread = 0;
    service.OnExecute = [&](ScriptedService& s) {
        // Stands in for the pipe loop: poll until the stop arrives.
        const ULONGLONG deadline = ::GetTickCount64() + 10000;
        while (s.StopCalls == 0 && ::GetTickCount64() < deadline) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
            s.ProcessRequests(false);
        }
        stopThread = ::GetCurrentThreadId();
    };
    std::thread controller([&] { EXPECT_TRUE(service.PostControl(SERVICE_CONTROL_STOP)); });
    const ServiceExit exit = service.RunExecute();
    controller.join();
    EXPECT_EQ(service.StopCalls, 1);
    EXPECT_EQ(stopThread, ::GetCurrentThreadId());
    EXPECT_EQ(exit.Win32ExitCode, static_cast<DWORD>(NO_ERROR));
}

}  // namespace
}  // namespace velmora::win
