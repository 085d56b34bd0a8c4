#include "update/HeldWaitClock.h"

namespace velmora {

std::uint64_t HeldWaitClock::NowMs() {
    const std::uint64_t inner = depth_ > 0 ? heldSince_ : inner_.NowMs();
    return inner - heldMs_;
}

void HeldWaitClock::Hold() {
    if (depth_++ == 0) heldSince_ = inner_.NowMs();
}

void HeldWaitClock::Release() {
    if (depth_ == 0) return;
    if (--depth_ == 0) heldMs_ += inner_.NowMs() - heldSince_;
}

}  // namespace velmora
