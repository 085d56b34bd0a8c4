#pragma once
// Runs the toolbox's blocking calls (WMI queries, device queries, pipe
// exchanges with the service) on a worker thread while the window thread
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
// A call that never returns (a disk that does not answer its query) cannot
// be ended from outside without risking the process, so once it passes the
// time limit it is abandoned: it keeps its worker, which ends after it if it
// ever returns, and a fresh worker serves the calls that follow. A call
// therefore owns or shares everything it touches.
//
// Each worker initialises COM for itself (multithreaded apartment); WMI
// objects are created and released there. The process-wide COM security is
// set once by the program before any call.

#include <windows.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

namespace velmora::win {

inline constexpr DWORD kWaitSliceMs = 100;

// How long one call may take beyond its own bound. On a working machine a
// WMI query, a device query or a pipe step ends within a second, and the
// first WMI query after start-up within a few while the WMI service starts;
// a disk that stopped answering holds its query for a minute or more while
// the storage stack retries. Ten seconds leave the slow start its room and
// end a dead disk's refresh before the user gives up on the window.
inline constexpr DWORD kWorkerCallLimitMs = 10000;

// Raised by WorkerCalls::Run for a call that passed its limit.
class WorkerCallTimedOut : public std::runtime_error {
public:
    WorkerCallTimedOut() : std::runtime_error("A call on the worker passed its time limit.") {}
};

class WorkerCalls {
public:
    explicit WorkerCalls(DWORD limitMs = kWorkerCallLimitMs) noexcept : limitMs_(limitMs) {}
    // Ends the worker, which is idle whenever Run is not waiting. Abandoned
    // calls are not waited for: the process's end ends them.
    ~WorkerCalls();
    WorkerCalls(const WorkerCalls&) = delete;
    WorkerCalls& operator=(const WorkerCalls&) = delete;

    // Runs call on the worker and returns when it has ended; an exception it
    // raised is raised again here. Calls made while one waits (from a sent
    // message) run after it, in order. ownLimitMs is how long the call may
    // wait by a bound of its own (a busy wait's time-out); when it and the
    // worker's limit have passed, raises WorkerCallTimedOut and leaves call
    // running on the abandoned worker, so call must not refer to the
    // caller's frame.
    void Run(std::function<void()> call, DWORD ownLimitMs = 0);

    // True while the calling (window) thread waits in Run.
    [[nodiscard]] bool Busy() const noexcept { return depth_ > 0; }

private:
    struct Call;
    struct Worker;

    void StartWorker();
    // The call passed its limit: taken out of the queue when it has not
    // started, else its worker is left to it when it is the current one.
    // False when it ended after all.
    [[nodiscard]] bool GiveUp(const std::shared_ptr<Call>& call);

    DWORD limitMs_;
    std::shared_ptr<Worker> worker_;
    std::thread thread_;
    int depth_ = 0;  // window thread only
};

// Waits up to limitMs for done in slices of at most kWaitSliceMs,
// dispatching the calling thread's sent messages and paints in between and
// leaving every posted and input message queued. False when limitMs passed.
[[nodiscard]] bool WaitDispatchingSentMessages(HANDLE done, DWORD limitMs) noexcept;

}  // namespace velmora::win
