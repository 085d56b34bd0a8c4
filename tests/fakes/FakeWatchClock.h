#pragma once
// The watch's clock in tests: stands still until the test moves it.

#include <atomic>
#include <cstdint>

#include "watch/WatchClock.h"

namespace velmora::fakes {

class FakeWatchClock final : public watch::WatchClock {
public:
    std::atomic<std::int64_t> Now{1700000000};
    std::int64_t NowUnixSeconds() noexcept override { return Now; }
};

}  // namespace velmora::fakes
