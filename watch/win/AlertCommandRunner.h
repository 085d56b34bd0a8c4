#pragma once
// Runs the administrator's alert command for an event: the event in
// environment variables added to the watch's own environment (see
// watch/AlertEnvironment.h), no window, standard handles on NUL, in a job
// object of its own so that the command and every process it starts end
// together. A command that could not start, ended with a non-zero exit code
// or ran longer than its limit (then the whole job is ended) raises event
// 1008 through the sink. Launch never waits: a thread of the runner's own
// starts the commands and watches them, and raises 1008 from there, so the
// sink must take calls from another thread.

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/win/UniqueHandle.h"
#include "watch/WatchEvent.h"

namespace velmora::win {

inline constexpr DWORD kAlertCommandLimitMs = 60000;

class AlertCommandRunner final : public watch::AlertLauncher {
public:
    // command: the command line as the registry holds it (system code page);
    // empty: Launch does nothing. Raises std::system_error when the runner's
    // thread cannot be set up.
    AlertCommandRunner(std::string command, watch::WatchEventSink& events, DWORD limitMs = kAlertCommandLimitMs);
    // Ends every command still running, with the processes it started, and
    // waits for the runner's thread; raises no event for them.
    ~AlertCommandRunner() override;
    AlertCommandRunner(const AlertCommandRunner&) = delete;
    AlertCommandRunner& operator=(const AlertCommandRunner&) = delete;

    void Launch(const watch::WatchEvent& event) noexcept override;

private:
    struct Run {
        KernelHandle Process;
        KernelHandle Job;
        ULONGLONG Deadline = 0;
    };

    void Watch() noexcept;
    void Start(const watch::WatchEvent& event, std::vector<Run>& runs) noexcept;
    void Finish(Run& run, bool timedOut) noexcept;
    void RaiseFailure(const std::string& what) noexcept;

    const std::string command_;
    watch::WatchEventSink& events_;
    const DWORD limitMs_;
    KernelHandle wake_;
    std::mutex mutex_;
    std::vector<watch::WatchEvent> queued_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace velmora::win
