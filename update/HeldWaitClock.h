#pragma once
// A wait clock whose time stands still while it is held: a box or dialog
// the user opens while a request waits (the connection settings from the
// menu, a message box) runs inside the wait, and the minutes spent in it
// are the user's, not the network's. The request's limits are measured on
// this clock.

#include <cstdint>

#include "update/Clock.h"

namespace velmora {

class HeldWaitClock final : public WaitClock {
public:
    // inner must outlive this clock.
    explicit HeldWaitClock(WaitClock& inner) : inner_(inner) {}

    // The inner time less every held stretch; while held, the time the hold
    // began.
    [[nodiscard]] std::uint64_t NowMs() override;
    [[nodiscard]] bool Pause(WakeEvent wake) override { return inner_.Pause(wake); }

    // Holds may nest; time runs again when the outermost one ends.
    void Hold();
    void Release();

private:
    WaitClock& inner_;
    std::uint64_t heldMs_ = 0;     // the held stretches that have ended
    std::uint64_t heldSince_ = 0;  // inner time the outermost hold began
    int depth_ = 0;
};

}  // namespace velmora
