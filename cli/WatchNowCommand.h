#pragma once
// "watch --now": asks the health watch for a sample and waits until the
// history shows it. The watch's side of the bargain: on control code 128 it
// samples every drive and stores a row in runs with reason "request", its
// start and end in whole Unix seconds UTC and, when it stored nothing, the
// reason in error. A request less than 10 s after another shares that
// one's sample, so a run that started up to 10 s before ours counts.

#include <cstdint>
#include <string>

#include "cli/StatusCommand.h"

namespace velmora::cli {

inline constexpr char kWatchServiceName[] = "SMART_VELMORA_WATCH";
inline constexpr std::uint32_t kSampleNowControl = 128;  // user-defined control code
inline constexpr std::int64_t kSharedRequestSeconds = 10;
inline constexpr std::uint64_t kWatchNowTimeoutMs = 30000;
inline constexpr std::uint32_t kWatchNowPollMs = 250;

// Delivers kSampleNowControl to the watch's service.
class WatchControl {
public:
    virtual ~WatchControl() = default;
    // 0 when delivered, else the system's error code: 1060 not installed,
    // 1062 not running, 5 access denied, or another.
    [[nodiscard]] virtual std::uint32_t SendSampleNow() = 0;
};

class WatchNowClock {
public:
    virtual ~WatchNowClock() = default;
    // Wall-clock time in whole Unix seconds UTC, as the watch stores it.
    [[nodiscard]] virtual std::int64_t UnixSeconds() = 0;
    // Milliseconds from some fixed start, never going backwards: the wait's deadline.
    [[nodiscard]] virtual std::uint64_t SteadyMs() = 0;
    virtual void Sleep(std::uint32_t ms) = 0;
};

// The system's clocks and std::this_thread::sleep_for.
class SystemWatchNowClock final : public WatchNowClock {
public:
    std::int64_t UnixSeconds() override;
    std::uint64_t SteadyMs() override;
    void Sleep(std::uint32_t ms) override;
};

// databasePath: UTF-8. Exit status 0 when the sample was stored, 4 otherwise.
[[nodiscard]] ConsoleOutput RunWatchNow(WatchControl& control, WatchNowClock& clock, const std::string& databasePath);

}  // namespace velmora::cli
