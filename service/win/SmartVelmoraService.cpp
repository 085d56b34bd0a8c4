#include "service/win/SmartVelmoraService.h"

#include <objbase.h>

#include <algorithm>
#include <string_view>

#include "common/ErrorReport.h"
#include "common/ServiceNames.h"
#include "common/win/ComScope.h"
#include "common/win/ComSecurity.h"
#include "service/win/OverlappedOperation.h"
#include "service/win/PipeIo.h"
#include "service/win/PipeSecurity.h"
#include "service/win/ServicePipe.h"

namespace velmora::win {

// The watch names this service as its dependency.
static_assert(std::string_view(kServiceName) == kDataServiceName);

namespace {

// Disconnects whatever client is on the pipe when a pass of the loop ends,
// however it ends.
class ClientConnection {
public:
    explicit ClientConnection(HANDLE pipe) noexcept : pipe_(pipe) {}
    ~ClientConnection() { ::DisconnectNamedPipe(pipe_); }
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

private:
    HANDLE pipe_;
};

}  // namespace

ServiceSettings SmartVelmoraSettings() {
    ServiceSettings settings;
    settings.Name = kServiceName;
    settings.DisplayName = kServiceDisplayName;
    settings.ServiceType = SERVICE_WIN32_OWN_PROCESS;
    settings.StartType = SERVICE_AUTO_START;
    settings.ErrorControl = SERVICE_ERROR_NORMAL;
    settings.Interactive = false;
    settings.WaitHintMs = 5000;
    return settings;
}

TSMART_VELMORA::TSMART_VELMORA(WmiSource& wmi, DeviceIo& devices)
    : Service(SmartVelmoraSettings()), builder_(wmi, devices) {}

void TSMART_VELMORA::ServiceStop(bool& stopped) {
    StopRequested = true;
    stopped = true;
}

void TSMART_VELMORA::FailExecute(std::int32_t line) {
    ReportError(unit::Umain, line, static_cast<std::int32_t>(::GetLastError()));
    SetServiceSpecificExitCode(static_cast<DWORD>(line));
}

void TSMART_VELMORA::ServiceExecute() {
    PipeSecurity security;
    // Without its DACL the pipe is not created at all: a pipe open to every
    // local user's rewrite would be worse than none.
    const DWORD securityError = security.Valid() ? ERROR_SUCCESS : ::GetLastError();

    // Uninitialised on every way out, exceptions included. The service
    // thread is the process's only COM user, and its security is set here,
    // once, before any COM object: Windows refuses a second call.
    ComScope com(COINIT_APARTMENTTHREADED);
    const HRESULT comSecurity = InitializeComSecurity();
    if (FAILED(comSecurity)) {
        ReportError(unit::Umain, umain_line::CoInitializeSecurityFailed, static_cast<std::int32_t>(comSecurity));
    }

    StopRequested = false;
    // However the handler ends, the pipe is closed before COM goes.
    struct PipeCloser {
        FileHandle& Pipe;
        ~PipeCloser() { Pipe.reset(); }
    } closePipe{PipeHandle};

    KernelHandle connectEvent(::CreateEventA(nullptr, TRUE, TRUE, nullptr));
    if (!connectEvent) {
        FailExecute(umain_line::ConnectEventNotCreated);
        return;
    }

    if (!security.Valid()) {
        ::SetLastError(securityError);
        FailExecute(umain_line::PipeNotCreated);
        return;
    }
    PipeHandle = CreateServicePipe(security);
    if (!PipeHandle) {
        FailExecute(umain_line::PipeNotCreated);
        return;
    }

    ServeClients(connectEvent.get());
}

void TSMART_VELMORA::ServeClients(HANDLE connectEvent) {
    const HANDLE pipe = PipeHandle.get();
    for (;;) {
        ::ResetEvent(connectEvent);
        // Destroyed in reverse order: the pending connect is cancelled and
        // waited for before the client is disconnected.
        ClientConnection connection(pipe);
        OverlappedOperation connect(pipe, connectEvent);

        if (::ConnectNamedPipe(pipe, connect.get())) {
            FailExecute(umain_line::ConnectReturnedAtOnce);
            return;
        }
        const DWORD connectError = ::GetLastError();
        if (connectError == ERROR_IO_PENDING) {
            static_cast<void>(connect.Started(FALSE));
        } else if (connectError == ERROR_PIPE_CONNECTED) {
            if (!::SetEvent(connectEvent)) continue;
        } else {
            // Not a client we can serve; let controls through and pause
            // briefly so that a persistent error does not spin the thread.
            ProcessRequests(false);
            if (StopRequested) return;
            ::SleepEx(pipe_timing::ConnectRetryPauseMs, TRUE);
            continue;
        }

        DWORD wait = WAIT_TIMEOUT;
        do {
            wait = ::WaitForSingleObjectEx(connectEvent, pipe_timing::ConnectWaitSliceMs, TRUE);
            ProcessRequests(false);
        } while (wait == WAIT_TIMEOUT && !StopRequested);

        if (StopRequested) return;
        if (wait != WAIT_OBJECT_0 && wait != WAIT_IO_COMPLETION) continue;
        if (connect.Pending()) {
            DWORD unused = 0;
            if (!connect.FetchResult(unused)) continue;
        }

        RequestBytes request{};
        if (!ReadRequest(request)) {
            ProcessRequests(false);
            if (StopRequested) return;
            continue;
        }
        const ReplyBytes reply = builder_.Build(request);
        // A client that goes away early only loses its own reply.
        if (WriteReply(reply)) continue;
        // A stop that cut the exchange short ends the loop now; one that came
        // while an exchange went through is carried out after the next wait,
        // which takes one slice at most.
        ProcessRequests(false);
        if (StopRequested) return;
    }
}

bool TSMART_VELMORA::ReadRequest(std::span<std::uint8_t, PIPE_REQUEST_SIZE> buffer) {
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    return ReadExactly(PipeHandle.get(), buffer, pipe_timing::RequestTimeoutMs, StopSignal());
}

bool TSMART_VELMORA::WriteReply(std::span<const std::uint8_t, PIPE_REPLY_SIZE> buffer) {
    if (!WriteExactly(PipeHandle.get(), buffer, pipe_timing::ReplyTimeoutMs, StopSignal())) return false;
    return flushWatchdog_.FlushWithin(PipeHandle.get(), pipe_timing::FlushTimeoutMs, StopSignal());
}

}  // namespace velmora::win
