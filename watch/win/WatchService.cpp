#include "watch/win/WatchService.h"

#include <system_error>

#include "common/ServiceNames.h"
#include "servicehost/win/ServiceHost.h"

namespace velmora::win {

ServiceSettings WatchServiceSettings() {
    ServiceSettings settings;
    settings.Name = kWatchServiceName;
    settings.DisplayName = kWatchServiceDisplayName;
    settings.Description =
        "Samples the health of the VELMORA SSDs at intervals, keeps their history and reports changes in the "
        "Application log.";
    settings.ServiceType = SERVICE_WIN32_OWN_PROCESS;
    settings.StartType = SERVICE_AUTO_START;
    settings.ErrorControl = SERVICE_ERROR_NORMAL;
    settings.Interactive = false;
    settings.Account = "NT AUTHORITY\\LocalService";
    // It samples through the data service's pipe.
    settings.Dependencies = {kDataServiceName};
    settings.ObjectSecurity = kWatchServiceSddl;
    settings.UserControls = true;
    // Its waits are relative: a clock that is set, or a night asleep, must
    // wake it to work out the next sample again, instead of a polling timer.
    settings.ClockControls = true;
    settings.WaitHintMs = 2000;  // a stop is answered within a second
    return settings;
}

WatchService::WatchService(WatchWork& work, DWORD stopWaitMs)
    : Service(WatchServiceSettings()), work_(work), stopWaitMs_(stopWaitMs) {}

DWORD WINAPI WatchService::WorkerProc(LPVOID parameter) noexcept {
    auto* service = static_cast<WatchService*>(parameter);
    try {
        service->work_.Run();
    } catch (...) {
        // Raised again on the service thread once this thread has ended.
        service->workFailure_ = std::current_exception();
    }
    return 0;
}

void WatchService::ServiceExecute() {
    stopRequested_ = false;
    workFailure_ = nullptr;
    worker_.reset(::CreateThread(nullptr, 0, WorkerProc, this, 0, nullptr));
    if (!worker_) throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "work thread");

    const HANDLE worker = worker_.get();
    for (;;) {
        ProcessRequests(false);
        if (stopRequested_) return;
        // Any posted control wakes the wait, also one that arrived before it.
        const DWORD wait = ::MsgWaitForMultipleObjectsEx(1, &worker, INFINITE, QS_ALLPOSTMESSAGE, MWMO_INPUTAVAILABLE);
        if (wait == WAIT_OBJECT_0) break;  // the work ended by itself
        if (wait == WAIT_FAILED) {
            throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "work wait");
        }
    }
    if (workFailure_) std::rethrow_exception(workFailure_);
}

void WatchService::ServiceStop(bool& stopped) {
    work_.Stop();
    if (worker_) ::WaitForSingleObject(worker_.get(), stopWaitMs_);
    stopRequested_ = true;
    stopped = true;
}

void WatchService::ServiceUserControl(DWORD code) {
    if (code == kWatchSampleNowControl) work_.RequestSample();
}

void WatchService::ServiceClockChanged() { work_.ClockChanged(); }

bool WatchService::WorkRunning() const noexcept {
    return worker_ && ::WaitForSingleObject(worker_.get(), 0) == WAIT_TIMEOUT;
}

int RunWatchService(WatchWork& work) {
    WatchService service(work);
    const DWORD result = RunServiceHost(service);
    if (service.WorkRunning()) ::TerminateProcess(::GetCurrentProcess(), result);
    return static_cast<int>(result);
}

}  // namespace velmora::win
