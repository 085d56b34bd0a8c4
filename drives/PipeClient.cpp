#include "drives/PipeClient.h"

#include <algorithm>

#include "common/ErrorReport.h"

namespace velmora {

namespace {

// Lines of the failure points, as the event log names them.
namespace line {
constexpr int Open = 38;
constexpr int BusyWait = 46;
constexpr int ReadMode = 63;
constexpr int Write = 83;
constexpr int Read = 96;
}  // namespace line

int Fail(int lineNumber, std::uint32_t error) {
    ReportError(unit::pipe, lineNumber, static_cast<std::int32_t>(error));
    return -1;
}

// Opens the pipe, waiting while another client holds it. The waits are bounded
// in total, so a program that keeps taking the pipe cannot freeze the caller.
std::unique_ptr<PipeConnection> OpenWhenFree(PipeSystem& pipes) {
    bool waited = false;
    std::uint64_t start = 0;
    for (;;) {
        std::uint32_t error = 0;
        auto connection = pipes.Open(error);
        if (connection) return connection;
        if (error != pipe_error::PipeBusy) {
            Fail(line::Open, error);
            return nullptr;
        }
        if (!waited) {
            start = pipes.NowMs();
            waited = true;
        }
        const std::uint64_t elapsed = pipes.NowMs() - start;
        if (elapsed >= kPipeBusyTotalMs) {
            Fail(line::BusyWait, pipe_error::SemTimeout);
            return nullptr;
        }
        const auto waitMs = static_cast<std::uint32_t>(std::min<std::uint64_t>(kPipeBusyWaitMs, kPipeBusyTotalMs - elapsed));
        std::uint32_t waitError = 0;
        if (!pipes.WaitForPipe(waitMs, waitError)) {
            Fail(line::BusyWait, waitError);
            return nullptr;
        }
    }
}

}  // namespace

RequestBytes BuildSmartRequest(const DriveInfo& drive) {
    PipeRequest request;
    request.DriveNumber = drive.Index;
    request.InterfaceType = drive.InterfaceType;
    request.InstanceName = drive.PNPDeviceID;  // Encode keeps at most 511 characters
    return request.Encode();
}

int RequestSmartData(PipeSystem& pipes, const DriveInfo& drive, std::span<std::uint8_t, PIPE_REPLY_SIZE> reply) {
    const auto connection = OpenWhenFree(pipes);
    if (!connection) return -1;

    if (const auto mode = connection->SetReadModeByte(); !mode.Ok) return Fail(line::ReadMode, mode.Error);

    const RequestBytes request = BuildSmartRequest(drive);
    if (const auto written = connection->Write(request); !written.Ok) return Fail(line::Write, written.Error);

    // A reply may arrive in pieces; only a whole one is ever handed on, and
    // only within the time the service itself allows for writing it, so a
    // service that stops answering cannot hold the caller.
    const std::uint64_t deadline = pipes.NowMs() + kPipeStepTimeoutMs;
    std::size_t received = 0;
    while (received < reply.size()) {
        const std::uint64_t now = pipes.NowMs();
        if (now >= deadline) return Fail(line::Read, pipe_error::SemTimeout);
        const auto timeLeft = static_cast<std::uint32_t>(deadline - now);
        const auto read = connection->Read(std::span<std::uint8_t>(reply).subspan(received), timeLeft);
        if (!read.Ok) return Fail(line::Read, read.Error);
        if (read.Bytes == 0) return Fail(line::Read, pipe_error::HandleEof);
        received += std::min<std::size_t>(read.Bytes, reply.size() - received);
    }
    return 0;
}

}  // namespace velmora
