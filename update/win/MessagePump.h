#pragma once
// The wait of the user-interface thread: until the connection's event is
// set, a window message arrives or a short step has passed, then process
// the pending window messages, so windows repaint and menus and timers work
// while the HTTP client waits for the network, and data is taken the moment
// it arrives.

#include "update/Clock.h"

namespace velmora::win {

// Dispatches every pending message of the calling thread. Returns false when
// it met WM_QUIT; the quit message is posted again for the main loop.
[[nodiscard]] bool PumpPendingMessages() noexcept;

class MessagePumpClock final : public WaitClock {
public:
    [[nodiscard]] std::uint64_t NowMs() override;
    [[nodiscard]] bool Pause(WakeEvent wake) override;
};

}  // namespace velmora::win
