// The floor of a service exchange: what the platform costs for the service's
// pipe pattern alone. Serves the service's own endpoint (same pipe name,
// modes and DACL, created by the same code) with the same calls in the same
// order: overlapped connect, the request read whole and the reply written
// whole with the service's own transfer code, then flush and disconnect. What
// it leaves out is what the service does beyond the pipe: no data source (a
// fixed, sealed reply of the reply's size), no Service Control Manager (a
// console process, no control messages looked for between steps) and no
// bound on the flush (a plain FlushFileBuffers). Not a test and not shipped:
// scripts/bench-service.sh runs it in turn with the service.
//
//   service_floor [connections]   serves that many connections, then ends;
//                                  0 or none: until it is ended

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "common/PipeRecords.h"
#include "common/win/UniqueHandle.h"
#include "service/win/OverlappedOperation.h"
#include "service/win/PipeIo.h"
#include "service/win/PipeSecurity.h"
#include "service/win/ServicePipe.h"

namespace {

using namespace velmora;
using namespace velmora::win;

// Disconnects the client when a connection's pass ends, however it ends,
// after the connect below it has been cancelled and waited for.
class Disconnect {
public:
    explicit Disconnect(HANDLE pipe) noexcept : pipe_(pipe) {}
    ~Disconnect() { ::DisconnectNamedPipe(pipe_); }
    Disconnect(const Disconnect&) = delete;
    Disconnect& operator=(const Disconnect&) = delete;

private:
    HANDLE pipe_;
};

// One connection: true when a client connected (whether or not the exchange
// then worked), false when the pipe can take no client any more.
bool ServeOne(HANDLE pipe, HANDLE connectEvent, const ReplyBytes& reply) {
    ::ResetEvent(connectEvent);
    Disconnect disconnect(pipe);
    OverlappedOperation connect(pipe, connectEvent);
    // ERROR_PIPE_CONNECTED: the client came between disconnect and connect.
    if (!connect.Started(::ConnectNamedPipe(pipe, connect.get())) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
        return false;
    }
    if (connect.Pending()) {
        if (::WaitForSingleObject(connectEvent, INFINITE) != WAIT_OBJECT_0) return false;
        DWORD unused = 0;
        if (!connect.FetchResult(unused)) return true;
    }
    RequestBytes request{};
    if (!ReadExactly(pipe, request, kPipeStepTimeoutMs)) return true;
    if (!WriteExactly(pipe, reply, kPipeStepTimeoutMs)) return true;
    static_cast<void>(::FlushFileBuffers(pipe));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const long connections = argc > 1 ? std::atol(argv[1]) : 0;
    PipeSecurity security;
    if (!security.Valid()) {
        std::fprintf(stderr, "service_floor: no security descriptor (%lu)\n", ::GetLastError());
        return 1;
    }
    const FileHandle pipe = CreateServicePipe(security);
    if (!pipe) {
        std::fprintf(stderr, "service_floor: pipe not created (%lu)\n", ::GetLastError());
        return 1;
    }
    const KernelHandle connectEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!connectEvent) return 1;
    const ReplyBytes reply = SealReply(PipeReply{});
    for (long served = 0; connections <= 0 || served < connections; ++served) {
        if (!ServeOne(pipe.get(), connectEvent.get(), reply)) {
            std::fprintf(stderr, "service_floor: connect failed (%lu)\n", ::GetLastError());
            return 1;
        }
    }
    return 0;
}
