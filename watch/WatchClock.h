#pragma once
// The watch's time: whole UTC Unix seconds, read from any thread.

#include <cstdint>

namespace velmora::watch {

class WatchClock {
public:
    virtual ~WatchClock() = default;
    [[nodiscard]] virtual std::int64_t NowUnixSeconds() noexcept = 0;
};

class SystemWatchClock final : public WatchClock {
public:
    [[nodiscard]] std::int64_t NowUnixSeconds() noexcept override;
};

}  // namespace velmora::watch
