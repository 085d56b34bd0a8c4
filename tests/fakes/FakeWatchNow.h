#pragma once
// Doubles for "watch --now": a control sender that answers with a set
// error code, and a clock whose Sleep advances time at once and runs
// OnSleep, which stands for the watch storing its run meanwhile.

#include <cstdint>
#include <functional>
#include <vector>

#include "cli/WatchNowCommand.h"

namespace velmora::fakes {

class FakeWatchControl final : public cli::WatchControl {
public:
    std::uint32_t Error = 0;
    int Sent = 0;

    std::uint32_t SendSampleNow() override {
        ++Sent;
        return Error;
    }
};

class FakeWatchNowClock final : public cli::WatchNowClock {
public:
    std::int64_t UnixStart = 1796749200;  // 2026-12-08T17:00:00Z
    std::uint64_t Ms = 5000;
    std::vector<std::uint32_t> Sleeps;
    std::function<void()> OnSleep;

    std::int64_t UnixSeconds() override { return UnixStart + static_cast<std::int64_t>(Ms / 1000); }
    std::uint64_t SteadyMs() override { return Ms; }
    void Sleep(std::uint32_t ms) override {
        Sleeps.push_back(ms);
        Ms += ms;
        if (OnSleep) OnSleep();
    }
};

}  // namespace velmora::fakes
