#pragma once
// Time and idling for code that waits on the user-interface thread. On
// Windows Pause waits for the awaited connection's news, a window message or
// a short step, whichever comes first, and then processes pending window
// messages, so handlers (including one that aborts the wait) may run inside
// it; tests use a fake clock that advances on every Pause.

#include <cstdint>

namespace velmora {

// What an idle step may end early for: on Windows the handle of an event the
// awaited connection sets when it has news; null for none.
using WakeEvent = void*;

class WaitClock {
public:
    virtual ~WaitClock() = default;
    // Milliseconds from some fixed start; never goes backwards.
    [[nodiscard]] virtual std::uint64_t NowMs() = 0;
    // One idle step, ended early when wake is set. Returns false when the
    // application is quitting (the quit message was seen and put back), so
    // the waiter should give up.
    [[nodiscard]] virtual bool Pause(WakeEvent wake) = 0;
};

}  // namespace velmora
