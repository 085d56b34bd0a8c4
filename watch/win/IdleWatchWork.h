#pragma once
// Stands in for the watch's sampling work until that is wired in: waits for
// the stop and counts the sample requests, so the service around it can be
// installed, started, asked for samples and stopped.

#include <atomic>

#include "common/win/UniqueHandle.h"
#include "watch/win/WatchWork.h"

namespace velmora::win {

class IdleWatchWork final : public WatchWork {
public:
    // Raises std::system_error when the stop event cannot be created.
    IdleWatchWork();

    void Run() override;
    void RequestSample() noexcept override { ++sampleRequests_; }
    void Stop() noexcept override;

    [[nodiscard]] unsigned SampleRequests() const noexcept { return sampleRequests_.load(); }

private:
    KernelHandle stop_;
    std::atomic<unsigned> sampleRequests_{0};
};

}  // namespace velmora::win
