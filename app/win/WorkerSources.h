#pragma once
// The machine's drive sources and the service's pipe as the toolbox's window
// thread uses them: each blocking call runs on WorkerCalls' thread while the
// window keeps answering. Results, errors and reports are the wrapped
// source's own; failures are still reported on the window thread, by the
// callers, as before. A call that passes the worker's limit fails as the
// seam fails (ERROR_SEM_TIMEOUT where it carries a system error, a failed
// query for WMI) and may go on running: the wrapped sources are shared with
// it, and it works on copies of the caller's buffers.

#include <memory>

#include "app/win/WorkerCalls.h"
#include "common/DeviceIo.h"
#include "common/WmiSource.h"
#include "drives/PipeClient.h"

namespace velmora::win {

// calls must outlive the wrapper and what it opens.
class WorkerWmiSource final : public WmiSource {
public:
    WorkerWmiSource(std::shared_ptr<WmiSource> inner, WorkerCalls& calls) noexcept
        : inner_(std::move(inner)), calls_(calls) {}
    [[nodiscard]] int Execute(std::u16string_view nameSpace, std::u16string_view className, WmiTable& table) override;

private:
    std::shared_ptr<WmiSource> inner_;
    WorkerCalls& calls_;
};

class WorkerDeviceIo final : public DeviceIo {
public:
    WorkerDeviceIo(std::shared_ptr<DeviceIo> inner, WorkerCalls& calls) noexcept
        : inner_(std::move(inner)), calls_(calls) {}
    [[nodiscard]] std::unique_ptr<Device> Open(const std::string& path, DeviceAccess access,
                                               std::uint32_t& error) override;

private:
    std::shared_ptr<DeviceIo> inner_;
    WorkerCalls& calls_;
};

class WorkerPipeSystem final : public PipeSystem {
public:
    WorkerPipeSystem(std::shared_ptr<PipeSystem> inner, WorkerCalls& calls) noexcept
        : inner_(std::move(inner)), calls_(calls) {}
    [[nodiscard]] std::unique_ptr<PipeConnection> Open(std::uint32_t& error) override;
    // The busy wait's own time-out adds to the worker's limit.
    [[nodiscard]] bool WaitForPipe(std::uint32_t timeoutMs, std::uint32_t& error) override;
    [[nodiscard]] std::uint64_t NowMs() override { return inner_->NowMs(); }

private:
    std::shared_ptr<PipeSystem> inner_;
    WorkerCalls& calls_;
};

}  // namespace velmora::win
