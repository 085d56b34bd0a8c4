#include "servicehost/win/ServiceHost.h"

#include <atomic>

#include "common/win/UniqueHandle.h"

namespace velmora::win {
namespace {

// The SCM's ServiceMain callback has no context argument; the process hosts
// exactly one service.
std::atomic<Service*> gService{nullptr};

class ScmStatusReporter final : public ServiceStatusReporter {
public:
    explicit ScmStatusReporter(SERVICE_STATUS_HANDLE handle) noexcept : handle_(handle) {}
    void Report(const SERVICE_STATUS& status) noexcept override {
        SERVICE_STATUS copy = status;
        ::SetServiceStatus(handle_, &copy);
    }

private:
    SERVICE_STATUS_HANDLE handle_;
};

DWORD WINAPI ControlHandler(DWORD control, DWORD, LPVOID, LPVOID context) noexcept {
    auto* service = static_cast<Service*>(context);
    if (!service->Takes(control)) return ERROR_CALL_NOT_IMPLEMENTED;
    // Interrogation is answered from the last reported status even when the
    // post fails; a stop is reported as pending here, and every control is
    // carried out by the service thread.
    static_cast<void>(service->PostControl(control));
    return NO_ERROR;
}

DWORD WINAPI ServiceThreadProc(LPVOID parameter) noexcept {
    auto* service = static_cast<Service*>(parameter);
    service->AttachServiceThread();
    service->ReportStatus(SERVICE_RUNNING);
    const ServiceExit exit = service->RunExecute();
    service->ReportStatus(SERVICE_STOPPED, exit);
    return 0;
}

void WINAPI ServiceMainProc(DWORD, LPSTR*) noexcept {
    Service* service = gService.load();
    if (service == nullptr) return;
    const SERVICE_STATUS_HANDLE statusHandle =
        ::RegisterServiceCtrlHandlerExA(service->Settings().Name.c_str(), ControlHandler, service);
    if (statusHandle == nullptr) return;
    ScmStatusReporter reporter(statusHandle);
    service->SetStatusReporter(reporter);
    service->ReportStatus(SERVICE_START_PENDING);

    KernelHandle thread(::CreateThread(nullptr, 0, ServiceThreadProc, service, 0, nullptr));
    if (!thread) {
        service->ReportStatus(SERVICE_STOPPED, {::GetLastError(), 0});
        return;
    }
    // The reporter lives on this stack, so this callback returns only after
    // the service thread has reported the final state.
    ::WaitForSingleObject(thread.get(), INFINITE);
}

struct DispatcherRun {
    Service* ServiceObject = nullptr;
    DWORD Error = 0;
};

DWORD WINAPI StartThreadProc(LPVOID parameter) noexcept {
    auto* run = static_cast<DispatcherRun*>(parameter);
    // The SCM keeps the name pointer only during the call.
    SERVICE_TABLE_ENTRYA table[] = {
        {const_cast<LPSTR>(run->ServiceObject->Settings().Name.c_str()), ServiceMainProc},
        {nullptr, nullptr},
    };
    if (!::StartServiceCtrlDispatcherA(table)) run->Error = ::GetLastError();
    return 0;
}

}  // namespace

DWORD RunServiceHost(Service& service) noexcept {
    gService.store(&service);
    DispatcherRun run{&service, 0};
    KernelHandle startThread(::CreateThread(nullptr, 0, StartThreadProc, &run, 0, nullptr));
    if (!startThread) return ::GetLastError();

    HANDLE waitFor = startThread.get();
    for (;;) {
        const DWORD result = ::MsgWaitForMultipleObjects(1, &waitFor, FALSE, INFINITE, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) break;
        if (result != WAIT_OBJECT_0 + 1) {
            // The wait itself failed; the dispatcher still owns run.
            ::WaitForSingleObject(waitFor, INFINITE);
            break;
        }
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    gService.store(nullptr);
    return run.Error;
}

}  // namespace velmora::win
