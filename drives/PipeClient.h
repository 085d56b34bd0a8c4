#pragma once
// The client side of the one-exchange pipe protocol: open the service's
// pipe (waiting while another client holds it), write one request built from
// a drive entry, read one whole reply, close. The reply is not interpreted.

#include <cstdint>
#include <memory>
#include <span>

#include "drives/DriveTable.h"
#include "common/PipeRecords.h"

namespace velmora {

// System error codes the client tells apart or reports itself.
namespace pipe_error {
inline constexpr std::uint32_t HandleEof = 38;      // ERROR_HANDLE_EOF
inline constexpr std::uint32_t MoreData = 234;      // ERROR_MORE_DATA
inline constexpr std::uint32_t PipeBusy = 231;      // ERROR_PIPE_BUSY
inline constexpr std::uint32_t SemTimeout = 121;    // ERROR_SEM_TIMEOUT
}  // namespace pipe_error

// How long one busy wait may take, and how long all busy waits of one
// exchange may take together before the client gives up.
inline constexpr std::uint32_t kPipeBusyWaitMs = 20000;
inline constexpr std::uint32_t kPipeBusyTotalMs = 60000;

struct PipeIoResult {
    bool Ok = false;
    std::uint32_t Bytes = 0;  // bytes written or read when Ok
    std::uint32_t Error = 0;  // the system's last-error value when !Ok
};

// One open client end of the pipe; closing happens in the destructor.
class PipeConnection {
public:
    virtual ~PipeConnection() = default;
    // PIPE_READMODE_BYTE, blocking.
    [[nodiscard]] virtual PipeIoResult SetReadModeByte() = 0;
    // One WriteFile; given up after kPipeStepTimeoutMs with SemTimeout.
    [[nodiscard]] virtual PipeIoResult Write(std::span<const std::uint8_t> bytes) = 0;
    // One ReadFile of at most bytes.size(), given up after timeoutMs with
    // pipe_error::SemTimeout (nothing read). ERROR_MORE_DATA counts as
    // success. Ok with Bytes == 0 means the server closed its end.
    [[nodiscard]] virtual PipeIoResult Read(std::span<std::uint8_t> bytes, std::uint32_t timeoutMs) = 0;
};

// Seam over the client's pipe calls; Windows: CreateFileA, WaitNamedPipeA,
// SetNamedPipeHandleState, WriteFile, ReadFile with a time limit.
class PipeSystem {
public:
    virtual ~PipeSystem() = default;
    // Opens kPipeName for reading and writing, unshared, open-existing, at
    // identification level. On failure returns null and sets error.
    [[nodiscard]] virtual std::unique_ptr<PipeConnection> Open(std::uint32_t& error) = 0;
    // WaitNamedPipeA(kPipeName, timeoutMs). On failure sets error.
    [[nodiscard]] virtual bool WaitForPipe(std::uint32_t timeoutMs, std::uint32_t& error) = 0;
    // Milliseconds from some fixed start; measures the busy waits.
    [[nodiscard]] virtual std::uint64_t NowMs() = 0;
};

// One complete exchange for the drive: 0 when a request was written and a
// whole reply read into reply within kPipeStepTimeoutMs of the first read,
// the service's own limit per step; -1 on any failure, already reported (unit
// pipe; a reply not whole in time is line 96 with SemTimeout). After -1 the reply's contents are unspecified and must not be used.
[[nodiscard]] int RequestSmartData(PipeSystem& pipes, const DriveInfo& drive,
                                   std::span<std::uint8_t, PIPE_REPLY_SIZE> reply);

// The request RequestSmartData sends for the drive.
[[nodiscard]] RequestBytes BuildSmartRequest(const DriveInfo& drive);

}  // namespace velmora
