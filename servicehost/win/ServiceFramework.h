#pragma once
// The service object of a small host on the Service Control Manager API.
// The host (ServiceHost.h) runs ServiceExecute on a service thread of its
// own; the control handler posts control codes to that thread, and they are
// carried out there when ServiceExecute calls ProcessRequests. So
// ServiceStop runs on the service thread and its state needs no lock. Only a
// stop (or a shutdown) does more on the handler's thread: it is reported as
// stop-pending at once and raises the stop signal, so that the SCM hears
// back even while the service thread is busy, and that work can end early.

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/win/UniqueHandle.h"

namespace velmora::win {

struct ServiceSettings {
    std::string Name;
    std::string DisplayName;
    std::string Description;  // what the Services console shows; empty: none
    DWORD ServiceType = SERVICE_WIN32_OWN_PROCESS;
    DWORD StartType = SERVICE_AUTO_START;
    DWORD ErrorControl = SERVICE_ERROR_NORMAL;
    bool Interactive = false;
    // Such as "NT AUTHORITY\LocalService" (no password); empty: LocalSystem.
    std::string Account;
    // Services the SCM starts before this one.
    std::vector<std::string> Dependencies;
    // SDDL of the service object's DACL; empty: the SCM's default.
    std::string ObjectSecurity;
    // Codes 128..255 are taken and passed to ServiceUserControl; otherwise
    // the control handler refuses them.
    bool UserControls = false;
    // Time and power controls are taken and passed to ServiceClockChanged:
    // for a service that waits for a time of day with relative waits, which
    // neither follow a clock that is set nor count time spent asleep.
    bool ClockControls = false;
    DWORD WaitHintMs = 5000;  // start and stop
};

// The range Windows leaves to a service's own control codes.
inline constexpr DWORD kFirstUserControl = 128;
inline constexpr DWORD kLastUserControl = 255;

// Where status reports go: SetServiceStatus in the host, a recorder in tests.
class ServiceStatusReporter {
public:
    virtual ~ServiceStatusReporter() = default;
    virtual void Report(const SERVICE_STATUS& status) noexcept = 0;
};

// How the execute handler ended, as the SCM is told when the service stops.
struct ServiceExit {
    DWORD Win32ExitCode = NO_ERROR;
    DWORD ServiceSpecificExitCode = 0;
};

// What the log says of an escaped exception that is no std::exception.
inline constexpr char kUnknownExceptionText[] = "unknown exception";

// Service-specific exit code after an exception escaped ServiceExecute.
inline constexpr DWORD kExitCodeExecuteException = 1;

// The thread message that carries a control code to the service thread.
inline constexpr UINT kServiceControlMessage = WM_APP + 0x51;

class Service {
public:
    explicit Service(ServiceSettings settings);
    virtual ~Service() = default;
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    [[nodiscard]] const ServiceSettings& Settings() const noexcept { return settings_; }

    // The execute handler, on the service thread. When it returns the service
    // stops. An exception that escapes is logged as "Service failed on
    // execute: <message>" and the service stops with a failure exit code.
    virtual void ServiceExecute() = 0;
    // The stop handler, on the service thread (from ProcessRequests). Leaving
    // stopped true accepts the stop.
    virtual void ServiceStop(bool& stopped) = 0;
    // A control code 128..255, on the service thread (from ProcessRequests),
    // when the settings take them. An exception that escapes is logged as
    // "Service failed on control: <message>".
    virtual void ServiceUserControl(DWORD /*code*/) {}
    // The system time was set, or the machine went to sleep or woke (power
    // events), on the service thread, when the settings take them.
    virtual void ServiceClockChanged() {}

    // Carries out the control requests posted to the calling thread. With
    // wait false it returns as soon as none is pending; with wait true it
    // first blocks until one message arrives.
    void ProcessRequests(bool wait);

    // A manual-reset event, set as soon as a stop or shutdown control
    // arrives (before ServiceStop runs) and reset again when a stop is
    // refused. Work that blocks the service thread waits on it as well, so
    // that the stop is carried out within the time the SCM is promised.
    [[nodiscard]] HANDLE StopSignal() const noexcept { return stopSignal_.get(); }

    // The execute handler calls this before it returns because of a failure:
    // the SCM then sees a service-specific error instead of a clean stop.
    void SetServiceSpecificExitCode(DWORD code) noexcept { specificExitCode_ = code; }

    // --- Used by the host (and by tests standing in for it). ---

    // Status reports go to reporter from now on; it must outlive the service.
    void SetStatusReporter(ServiceStatusReporter& reporter) noexcept { reporter_ = &reporter; }
    // Makes the calling thread the service thread and creates its message
    // queue, so that posted controls are kept until ProcessRequests.
    void AttachServiceThread() noexcept;
    // Whether the control handler takes the code: stop, shutdown (carried
    // out as a stop), interrogate, 128..255 and the time and power controls
    // when the settings say so.
    [[nodiscard]] bool Takes(DWORD control) const noexcept;
    // The control handler's work: posts the code to the service thread; a
    // stop or shutdown is first reported as stop-pending (while running) and
    // raises StopSignal. False when no service thread is attached or the
    // post failed.
    [[nodiscard]] bool PostControl(DWORD control) noexcept;
    // Runs ServiceExecute; nothing escapes.
    [[nodiscard]] ServiceExit RunExecute() noexcept;
    // Reports a state; pending states carry the wait hint and a checkpoint.
    // Safe from the handler's thread and the service thread at once.
    void ReportStatus(DWORD state, ServiceExit exit = {}) noexcept;
    [[nodiscard]] DWORD CurrentState() const noexcept;

private:
    void HandleControl(DWORD control) noexcept;
    void HandleStop() noexcept;
    void HandleUserControl(DWORD control) noexcept;
    void HandleClockChange() noexcept;
    void LogFailure(std::string_view where, std::string_view message) noexcept;
    [[nodiscard]] static bool Stops(DWORD control) noexcept;
    void ReportStopPendingIfRunning() noexcept;
    void ReportLocked(DWORD state, ServiceExit exit) noexcept;

    ServiceSettings settings_;
    std::atomic<DWORD> serviceThreadId_{0};
    KernelHandle stopSignal_;
    ServiceStatusReporter* reporter_ = nullptr;
    mutable std::mutex statusLock_;  // state_, checkPoint_ and the reports
    DWORD state_ = SERVICE_STOPPED;
    DWORD checkPoint_ = 0;
    DWORD specificExitCode_ = 0;
};

}  // namespace velmora::win
