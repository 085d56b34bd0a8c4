#include "servicehost/win/ServiceFramework.h"

#include <exception>
#include <utility>

#include "common/ErrorReport.h"

namespace velmora::win {

Service::Service(ServiceSettings settings)
    : settings_(std::move(settings)), stopSignal_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

void Service::AttachServiceThread() noexcept {
    MSG msg;
    // A thread gets its message queue on its first message call; posts made
    // before that would be lost.
    ::PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    serviceThreadId_.store(::GetCurrentThreadId());
}

bool Service::Stops(DWORD control) noexcept {
    return control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN;
}

bool Service::PostControl(DWORD control) noexcept {
    const DWORD thread = serviceThreadId_.load();
    if (thread == 0) return false;
    if (Stops(control)) {
        ReportStopPendingIfRunning();
        if (stopSignal_) ::SetEvent(stopSignal_.get());
    }
    return ::PostThreadMessageA(thread, kServiceControlMessage, static_cast<WPARAM>(control), 0) != FALSE;
}

void Service::ProcessRequests(bool wait) {
    MSG msg;
    bool block = wait;
    for (;;) {
        if (block) {
            if (::GetMessageA(&msg, nullptr, 0, 0) <= 0) return;  // WM_QUIT or failure
            block = false;
        } else if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            return;
        }
        if (msg.hwnd == nullptr && msg.message == kServiceControlMessage) {
            HandleControl(static_cast<DWORD>(msg.wParam));
        } else {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

bool Service::Takes(DWORD control) const noexcept {
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
    case SERVICE_CONTROL_INTERROGATE:
        return true;
    case SERVICE_CONTROL_TIMECHANGE:
    case SERVICE_CONTROL_POWEREVENT:
        return settings_.ClockControls;
    default:
        return settings_.UserControls && control >= kFirstUserControl && control <= kLastUserControl;
    }
}

void Service::HandleControl(DWORD control) noexcept {
    switch (control) {
    case SERVICE_CONTROL_STOP:
        HandleStop();
        break;
    case SERVICE_CONTROL_SHUTDOWN:
        // Stopping cleanly takes well under the time Windows gives services
        // at shutdown, and leaves no half-written files behind.
        HandleStop();
        break;
    case SERVICE_CONTROL_INTERROGATE:
        ReportStatus(CurrentState());
        break;
    case SERVICE_CONTROL_TIMECHANGE:
    case SERVICE_CONTROL_POWEREVENT:
        if (Takes(control)) HandleClockChange();
        break;
    default:
        if (Takes(control)) HandleUserControl(control);
        break;
    }
}

void Service::HandleStop() noexcept {
    ReportStatus(SERVICE_STOP_PENDING);
    bool stopped = true;
    try {
        ServiceStop(stopped);
    } catch (const std::exception& e) {
        LogFailure("stop", e.what());
        stopped = false;
    } catch (...) {
        LogFailure("stop", kUnknownExceptionText);
        stopped = false;
    }
    if (!stopped) {
        if (stopSignal_) ::ResetEvent(stopSignal_.get());
        ReportStatus(SERVICE_RUNNING);
    }
}

void Service::HandleUserControl(DWORD control) noexcept {
    try {
        ServiceUserControl(control);
    } catch (const std::exception& e) {
        LogFailure("control", e.what());
    } catch (...) {
        LogFailure("control", kUnknownExceptionText);
    }
}

void Service::HandleClockChange() noexcept {
    try {
        ServiceClockChanged();
    } catch (const std::exception& e) {
        LogFailure("control", e.what());
    } catch (...) {
        LogFailure("control", kUnknownExceptionText);
    }
}

ServiceExit Service::RunExecute() noexcept {
    specificExitCode_ = 0;
    try {
        ServiceExecute();
    } catch (const std::exception& e) {
        LogFailure("execute", e.what());
        return {ERROR_SERVICE_SPECIFIC_ERROR, kExitCodeExecuteException};
    } catch (...) {
        LogFailure("execute", kUnknownExceptionText);
        return {ERROR_SERVICE_SPECIFIC_ERROR, kExitCodeExecuteException};
    }
    if (specificExitCode_ != 0) return {ERROR_SERVICE_SPECIFIC_ERROR, specificExitCode_};
    return {};
}

DWORD Service::CurrentState() const noexcept {
    const std::lock_guard<std::mutex> lock(statusLock_);
    return state_;
}

void Service::ReportStopPendingIfRunning() noexcept {
    const std::lock_guard<std::mutex> lock(statusLock_);
    if (state_ == SERVICE_RUNNING) ReportLocked(SERVICE_STOP_PENDING, {});
}

void Service::ReportStatus(DWORD state, ServiceExit exit) noexcept {
    const std::lock_guard<std::mutex> lock(statusLock_);
    ReportLocked(state, exit);
}

void Service::ReportLocked(DWORD state, ServiceExit exit) noexcept {
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
                         state == SERVICE_CONTINUE_PENDING || state == SERVICE_PAUSE_PENDING;
    checkPoint_ = pending ? checkPoint_ + 1 : 0;
    state_ = state;

    SERVICE_STATUS status{};
    status.dwServiceType = settings_.ServiceType;
    if (settings_.Interactive) status.dwServiceType |= SERVICE_INTERACTIVE_PROCESS;
    status.dwCurrentState = state;
    // Stop (and the shutdown notification) only while running; no pause.
    DWORD accepted = 0;
    if (state == SERVICE_RUNNING) {
        accepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
        if (settings_.ClockControls) accepted |= SERVICE_ACCEPT_TIMECHANGE | SERVICE_ACCEPT_POWEREVENT;
    }
    status.dwControlsAccepted = accepted;
    status.dwWin32ExitCode = exit.Win32ExitCode;
    status.dwServiceSpecificExitCode = exit.ServiceSpecificExitCode;
    status.dwCheckPoint = checkPoint_;
    status.dwWaitHint = pending ? settings_.WaitHintMs : 0;
    if (reporter_ != nullptr) reporter_->Report(status);
}

void Service::LogFailure(std::string_view where, std::string_view message) noexcept {
    try {
        std::string text = "Service failed on ";
        text.append(where);
        text += ": ";
        text.append(message);
        WriteEventLog(text);
    } catch (...) {
        WriteEventLog("Service failed");
    }
}

}  // namespace velmora::win
