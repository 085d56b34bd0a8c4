#pragma once
// The service object: serves the pipe "\\.\pipe\smart_velmora", one client
// at a time, one request and one reply per connection. All pipe I/O, WMI
// queries and device queries run on the service thread; a stop is noticed
// within 100 ms while the loop waits for a client, and cuts a pipe transfer
// short while one is served (the stop signal ends its wait).

#include <windows.h>

#include <cstdint>
#include <span>

#include "common/DeviceIo.h"
#include "common/PipeRecords.h"
#include "common/WmiSource.h"
#include "common/win/UniqueHandle.h"
#include "service/PipeReplyBuilder.h"
#include "service/win/FlushWatchdog.h"
#include "servicehost/win/ServiceFramework.h"

namespace velmora::win {

inline constexpr char kServiceName[] = "SMART_VELMORA";
inline constexpr char kServiceDisplayName[] = "SMART_VELMORA";

// Report lines of unit Umain. A failure that ends the execute handler is
// also the service-specific exit code the SCM is given.
namespace umain_line {
inline constexpr std::int32_t CoInitializeSecurityFailed = 159;
inline constexpr std::int32_t ConnectEventNotCreated = 169;
inline constexpr std::int32_t PipeNotCreated = 187;
inline constexpr std::int32_t ConnectReturnedAtOnce = 198;
}  // namespace umain_line

namespace pipe_timing {
inline constexpr DWORD ConnectWaitSliceMs = 100;  // how often a stop is looked for
inline constexpr DWORD RequestTimeoutMs = kPipeStepTimeoutMs;  // the whole request, however many pieces
inline constexpr DWORD ReplyTimeoutMs = kPipeStepTimeoutMs;
inline constexpr DWORD FlushTimeoutMs = kPipeStepTimeoutMs;  // a client that never reads
inline constexpr DWORD ConnectRetryPauseMs = 10;  // after a failed connect, no busy spin
}  // namespace pipe_timing

// Own process, automatic start, normal error control, not interactive, the
// local system account, stop and shutdown accepted, no pause, wait hint
// 5000 ms.
[[nodiscard]] ServiceSettings SmartVelmoraSettings();

class TSMART_VELMORA final : public Service {
public:
    // Both sources must outlive the service; they are used on the service
    // thread only, after COM has been initialised there.
    TSMART_VELMORA(WmiSource& wmi, DeviceIo& devices);

    void ServiceExecute() override;
    void ServiceStop(bool& stopped) override;

    // One whole 520-byte request within 2000 ms of the first read.
    [[nodiscard]] bool ReadRequest(std::span<std::uint8_t, PIPE_REQUEST_SIZE> buffer);
    // The 4117-byte reply within 2000 ms, then a flush bounded to 2000 ms.
    [[nodiscard]] bool WriteReply(std::span<const std::uint8_t, PIPE_REPLY_SIZE> buffer);

    FileHandle PipeHandle;
    bool StopRequested = false;

private:
    void ServeClients(HANDLE connectEvent);
    void FailExecute(std::int32_t line);

    PipeReplyBuilder builder_;
    // One for the service's life: a flush costs no thread or timer of its own.
    FlushWatchdog flushWatchdog_;
};

}  // namespace velmora::win
