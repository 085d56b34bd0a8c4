// The toolbox's main window (made in this process) on a machine whose WMI
// never answers the drive query, as when a disk stopped answering: the first
// showing ends as a failed one, reported as usual, once the worker's limit
// has passed, and all the while the window answers another thread's sent
// messages within a second, as Windows asks of a window that is not to be
// marked as hung.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/MainWindowLogic.h"
#include "app/win/MainWindow.h"
#include "app/win/WorkerCalls.h"
#include "app/win/WorkerSources.h"
#include "common/ErrorReport.h"
#include "tests/app/win/gui/WindowProbe.h"
#include "tests/fakes/RecordingEventSink.h"
#include "tests/fakes/win/StalledSources.h"

namespace velmora::win {
namespace {

constexpr DWORD kAnswerMs = 1000;
constexpr DWORD kPollMs = 100;
// A loaded Wine's slack beyond the limit.
constexpr ULONGLONG kMarginMs = 5000;

ULONGLONG Since(ULONGLONG start) { return ::GetTickCount64() - start; }

// Sends WM_NULL to the window every kPollMs from its own thread and keeps
// the times of the polls not answered within kAnswerMs.
class HangWatch {
public:
    HangWatch(HWND window, ULONGLONG start)
        : thread_([this, window, start] {
              while (!stop_) {
                  DWORD_PTR result = 0;
                  if (!::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &result)) {
                      unanswered_.push_back(Since(start));
                  }
                  ++polls_;
                  ::Sleep(kPollMs);
              }
              ended_ = true;
          }) {}
    ~HangWatch() { Stop(); }
    HangWatch(const HangWatch&) = delete;
    HangWatch& operator=(const HangWatch&) = delete;

    // The window's thread calls it: its last poll is answered meanwhile.
    void Stop() {
        stop_ = true;
        while (!ended_) {
            MSG message;
            ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            ::Sleep(10);
        }
        if (thread_.joinable()) thread_.join();
    }
    // Read after Stop.
    [[nodiscard]] const std::vector<ULONGLONG>& Unanswered() const { return unanswered_; }
    [[nodiscard]] int Polls() const { return polls_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> ended_{false};
    std::vector<ULONGLONG> unanswered_;
    int polls_ = 0;
    std::thread thread_;
};

TEST(ToolboxOnAStuckDisk, TheFirstShowingFailsOnceTheLimitPassedAndTheWindowAnswersThroughout) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    ASSERT_TRUE(MainWindow::RegisterClasses(::GetModuleHandleA(nullptr)));
    fakes::RecordingEventSink reports;
    fakes::StallRelease release;
    const auto machine = std::make_shared<fakes::StalledSources>(fakes::StalledCall::WmiQuery, release.Released());
    WorkerCalls calls;
    WorkerWmiSource wmi(machine, calls);
    WorkerDeviceIo devices(machine, calls);
    WorkerPipeSystem pipes(machine, calls);
    auto window = std::make_unique<MainWindow>(DriveSources{wmi, devices, pipes, calls});
    window->Create();
    HWND hwnd = ::FindWindowA(kMainWindowClass, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_EQ(testing::ProcessOf(hwnd), ::GetCurrentProcessId());

    // This thread ran other tests, not a message loop: Wine takes a thread
    // that has not looked at its queue for 5 s for hung, as the program's
    // loop never leaves it.
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    const ULONGLONG start = ::GetTickCount64();
    HangWatch watch(hwnd, start);
    window->Show(SW_SHOWNOACTIVATE);
    // The first showing runs from this loop, as from the program's.
    while (reports.Entries.size() < 2 && Since(start) < kWorkerCallLimitMs + kMarginMs) {
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    }
    const ULONGLONG failedAfter = Since(start);
    watch.Stop();
    window.reset();
    // The window's end posted the quit its program would end on.
    MSG quit;
    while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }

    ASSERT_EQ(reports.Entries.size(), 2u) << "no failure within " << failedAfter << " ms";
    const std::string queryCode = "CODE " + std::to_string(wmi_result::QueryFailed);
    EXPECT_EQ(reports.Entries[0].substr(0, 11), "FILE smart ");
    EXPECT_EQ(reports.Entries[0].substr(reports.Entries[0].size() - queryCode.size()), queryCode);
    EXPECT_EQ(reports.Entries[1], FormatErrorEntry(unit::Umain, kEnumerationFailedLine, 0));
    EXPECT_GE(failedAfter, kWorkerCallLimitMs);
    EXPECT_LT(failedAfter, kWorkerCallLimitMs + kMarginMs);
    EXPECT_GT(watch.Polls(), static_cast<int>(kWorkerCallLimitMs / (2 * kPollMs))) << "the window was hardly polled";
    EXPECT_TRUE(watch.Unanswered().empty())
        << watch.Unanswered().size() << " polls unanswered, the first at " << watch.Unanswered().front() << " ms";
}

}  // namespace
}  // namespace velmora::win
