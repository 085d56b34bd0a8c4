// The watch's service object in this process, on a thread standing in for
// the SCM's service thread, with the idle work or a work that ignores the
// stop.

#include "watch/win/WatchService.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/ServiceNames.h"
#include "common/win/UniqueHandle.h"
#include "tests/fakes/RecordingEventSink.h"
#include "tests/fakes/win/IdleWatchWork.h"

namespace velmora::win {
namespace {

constexpr ULONGLONG kDeadlineMs = 10000;

// Each status report with the time it was made.
class TimedStatusReporter final : public ServiceStatusReporter {
public:
    struct Entry {
        DWORD State;
        ULONGLONG At;
    };
    void Report(const SERVICE_STATUS& status) noexcept override {
        const std::lock_guard<std::mutex> lock(mutex_);
        entries_.push_back({status.dwCurrentState, ::GetTickCount64()});
    }
    [[nodiscard]] std::vector<Entry> Entries() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return entries_;
    }

private:
    std::mutex mutex_;
    std::vector<Entry> entries_;
};

// Waits for the stop, then keeps working until released; or fails, or
// returns at once, as told.
class ScriptedWork final : public WatchWork {
public:
    enum class Mode { IgnoreStop, Throw, ReturnAtOnce };
    explicit ScriptedWork(Mode mode) : mode_(mode) {}

    void Run() override {
        if (mode_ == Mode::Throw) throw std::runtime_error("history store gone");
        if (mode_ == Mode::ReturnAtOnce) return;
        ::WaitForSingleObject(stop_.get(), INFINITE);
        ::WaitForSingleObject(release_.get(), INFINITE);
    }
    void RequestSample() noexcept override {}
    void Stop() noexcept override { ::SetEvent(stop_.get()); }
    void Release() noexcept { ::SetEvent(release_.get()); }

private:
    Mode mode_;
    KernelHandle stop_{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    KernelHandle release_{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

class WatchOnAThread {
public:
    explicit WatchOnAThread(WatchWork& work) : service(work) {
        thread_ = std::thread([this] {
            service.SetStatusReporter(reporter);
            service.AttachServiceThread();
            attached_ = true;
            service.ReportStatus(SERVICE_RUNNING);
            exit = service.RunExecute();
            endedAt = ::GetTickCount64();
            ended = true;
        });
        while (!attached_) ::Sleep(1);
    }
    ~WatchOnAThread() {
        if (!ended) static_cast<void>(service.PostControl(SERVICE_CONTROL_STOP));
        thread_.join();
    }

    bool WaitUntilEnded() {
        const ULONGLONG deadline = ::GetTickCount64() + kDeadlineMs;
        while (!ended && ::GetTickCount64() < deadline) ::Sleep(1);
        return ended;
    }

    TimedStatusReporter reporter;
    WatchService service;
    ServiceExit exit;
    std::atomic<ULONGLONG> endedAt{0};
    std::atomic<bool> ended{false};

private:
    std::atomic<bool> attached_{false};
    std::thread thread_;
};

TEST(WatchService, ControlSampleNowReachesTheWorkAndOtherUserCodesDoNot) {
    IdleWatchWork work;
    WatchOnAThread watch(work);
    ASSERT_TRUE(watch.service.PostControl(kWatchSampleNowControl));
    ASSERT_TRUE(watch.service.PostControl(129));
    ASSERT_TRUE(watch.service.PostControl(kWatchSampleNowControl));
    const ULONGLONG deadline = ::GetTickCount64() + kDeadlineMs;
    while (work.SampleRequests() < 2 && ::GetTickCount64() < deadline) ::Sleep(1);
    EXPECT_EQ(work.SampleRequests(), 2u);
    EXPECT_FALSE(watch.ended);
}

TEST(WatchService, AWorkThatHonoursTheStopEndsBeforeTheServiceReportsStopped) {
    for (const DWORD control :
         {static_cast<DWORD>(SERVICE_CONTROL_STOP), static_cast<DWORD>(SERVICE_CONTROL_SHUTDOWN)}) {
        IdleWatchWork work;
        WatchOnAThread watch(work);
        ASSERT_TRUE(watch.service.PostControl(control));
        ASSERT_TRUE(watch.WaitUntilEnded()) << control;
        EXPECT_EQ(watch.exit.Win32ExitCode, static_cast<DWORD>(NO_ERROR));
        EXPECT_FALSE(watch.service.WorkRunning());
    }
}

TEST(WatchService, StopIsAnsweredWithinASecondWhileTheWorkIgnoresIt) {
    ScriptedWork work(ScriptedWork::Mode::IgnoreStop);
    WatchOnAThread watch(work);
    const ULONGLONG sent = ::GetTickCount64();
    ASSERT_TRUE(watch.service.PostControl(SERVICE_CONTROL_STOP));
    ASSERT_TRUE(watch.WaitUntilEnded());
    const std::vector<TimedStatusReporter::Entry> reports = watch.reporter.Entries();
    // Running, then stop-pending from the control handler at once (the
    // service thread reports it again with the next checkpoint).
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[1].State, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_LT(reports[1].At - sent, 100u);
    EXPECT_GE(watch.endedAt - sent, kWorkStopWaitMs - 50);  // the work had its time
    EXPECT_LT(watch.endedAt - sent, 1000u);
    EXPECT_TRUE(watch.service.WorkRunning());
    work.Release();
    const ULONGLONG deadline = ::GetTickCount64() + kDeadlineMs;
    while (watch.service.WorkRunning() && ::GetTickCount64() < deadline) ::Sleep(1);
    EXPECT_FALSE(watch.service.WorkRunning());
}

TEST(WatchService, AWorkThatEndsByItselfStopsTheServiceAndAFailureIsLogged) {
    fakes::RecordingEventSink events;
    {
        ScriptedWork work(ScriptedWork::Mode::ReturnAtOnce);
        WatchOnAThread watch(work);
        ASSERT_TRUE(watch.WaitUntilEnded());
        EXPECT_EQ(watch.exit.Win32ExitCode, static_cast<DWORD>(NO_ERROR));
    }
    ScriptedWork work(ScriptedWork::Mode::Throw);
    WatchOnAThread watch(work);
    ASSERT_TRUE(watch.WaitUntilEnded());
    EXPECT_EQ(watch.exit.Win32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(watch.exit.ServiceSpecificExitCode, kExitCodeExecuteException);
    EXPECT_EQ(events.Entries, std::vector<std::string>{"Service failed on execute: history store gone"});
}

}  // namespace
}  // namespace velmora::win
