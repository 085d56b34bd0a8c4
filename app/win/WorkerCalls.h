#pragma once
// Runs the toolbox's blocking calls (WMI queries, device queries, pipe
// exchanges with the service) on one worker thread while the window thread
// waits for them without ever blocking its messages for more than
// kWaitSliceMs, so Windows never takes the window for hung.
//
// Why this design: the calls stay the plain synchronous ones the console
// and the watch use, and the window logic keeps its order (enumerate, then
// refresh, then show) unchanged. While it waits, the window thread
// dispatches only sent messages and paints: clicks, menu commands and other
// posted messages stay queued and run after the call, as they did when the
// thread itself blocked, so a refresh can never start a second refresh or
// close the window under itself. Sent messages that would (WM_COMMAND,
// WM_CLOSE) are for the window to defer while Busy().
//
// The worker initialises COM for itself (multithreaded apartment); WMI
// objects are created and released there. The process-wide COM security is
// set once by the program before any call.

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace velmora::win {

inline constexpr DWORD kWaitSliceMs = 100;

class WorkerCalls {
public:
    WorkerCalls() = default;
    // Waits for the call in progress, if any, then ends the worker.
    ~WorkerCalls();
    WorkerCalls(const WorkerCalls&) = delete;
    WorkerCalls& operator=(const WorkerCalls&) = delete;

    // Runs call on the worker and returns when it has ended; an exception it
    // raised is raised again here. Calls made while one waits (from a sent
    // message) run after it, in order.
    void Run(const std::function<void()>& call);

    // True while the calling (window) thread waits in Run.
    [[nodiscard]] bool Busy() const noexcept { return depth_ > 0; }

private:
    void StartOnce();
    void Work() noexcept;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;  // guarded by mutex_
    bool stop_ = false;                        // guarded by mutex_
    std::thread worker_;
    int depth_ = 0;  // window thread only
};

// Waits for done in slices of at most kWaitSliceMs, dispatching the calling
// thread's sent messages and paints in between and leaving every posted and
// input message queued.
void WaitDispatchingSentMessages(HANDLE done) noexcept;

}  // namespace velmora::win
