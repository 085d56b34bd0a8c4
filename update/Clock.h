#pragma once
// Time and idling for code that waits on the user-interface thread. On
// Windows Pause sleeps about 2 ms and then processes pending window messages,
// so handlers (including one that aborts the wait) may run inside it; tests
// use a fake clock that advances on every Pause.

#include <cstdint>

namespace velmora {

class WaitClock {
public:
    virtual ~WaitClock() = default;
    // Milliseconds from some fixed start; never goes backwards.
    [[nodiscard]] virtual std::uint64_t NowMs() = 0;
    // One idle step. Returns false when the application is quitting (the
    // quit message was seen and put back), so the waiter should give up.
    [[nodiscard]] virtual bool Pause() = 0;
};

}  // namespace velmora
