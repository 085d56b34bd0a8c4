#pragma once
// A wait clock for tests: every Pause advances time by StepMs and runs
// OnPause, which stands for a window message handled during the wait.

#include <cstdint>
#include <functional>

#include "update/Clock.h"

namespace velmora::fakes {

class FakeWaitClock final : public WaitClock {
public:
    std::uint64_t Now = 1000;
    std::uint64_t StepMs = 2;
    int Pauses = 0;
    int QuitAfterPauses = -1;  // Pause returns false from this pause on
    std::function<void()> OnPause;

    std::uint64_t NowMs() override { return Now; }

    bool Pause(WakeEvent) override {
        ++Pauses;
        Now += StepMs;
        if (OnPause) OnPause();
        return QuitAfterPauses < 0 || Pauses < QuitAfterPauses;
    }
};

}  // namespace velmora::fakes
