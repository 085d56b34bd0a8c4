#include "app/win/ModalClockHold.h"

#include "update/HeldWaitClock.h"

namespace velmora::win {

namespace {

thread_local HeldWaitClock* attached = nullptr;

}  // namespace

ModalClockAttachment::ModalClockAttachment(HeldWaitClock& clock) noexcept : previous_(attached) {
    attached = &clock;
}

ModalClockAttachment::~ModalClockAttachment() { attached = previous_; }

ModalClockHold::ModalClockHold() noexcept : clock_(attached) {
    if (clock_) clock_->Hold();
}

ModalClockHold::~ModalClockHold() {
    if (clock_) clock_->Release();
}

}  // namespace velmora::win
