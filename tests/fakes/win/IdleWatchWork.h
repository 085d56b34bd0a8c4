#pragma once
// Stands in for the watch's sampling work in tests of the service around it:
// waits for the stop and counts the sample requests.

#include <atomic>
#include <system_error>

#include "common/win/UniqueHandle.h"
#include "watch/win/WatchWork.h"

namespace velmora::win {

class IdleWatchWork final : public WatchWork {
public:
    // Raises std::system_error when the stop event cannot be created.
    IdleWatchWork() : stop_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        if (!stop_) throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "stop event");
    }

    void Run() override { ::WaitForSingleObject(stop_.get(), INFINITE); }
    void RequestSample() noexcept override { ++sampleRequests_; }
    void Stop() noexcept override { ::SetEvent(stop_.get()); }

    [[nodiscard]] unsigned SampleRequests() const noexcept { return sampleRequests_.load(); }

private:
    KernelHandle stop_;
    std::atomic<unsigned> sampleRequests_{0};
};

}  // namespace velmora::win
