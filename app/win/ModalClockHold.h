#pragma once
// Time the user spends in a modal loop of the window thread (a box, a
// dialog, the save dialog, the menu, moving the window) is the user's. A
// wait running underneath it, such as an update check's minute, must not
// count it: the clock attached here is held while any such loop runs, so
// every loop holds it at the one place it begins.

namespace velmora {
class HeldWaitClock;
}

namespace velmora::win {

// Attaches clock to the modal loops of this thread for its lifetime; the
// clock attached before comes back afterwards. clock must outlive it.
class ModalClockAttachment {
public:
    explicit ModalClockAttachment(HeldWaitClock& clock) noexcept;
    ~ModalClockAttachment();
    ModalClockAttachment(const ModalClockAttachment&) = delete;
    ModalClockAttachment& operator=(const ModalClockAttachment&) = delete;

private:
    HeldWaitClock* previous_;
};

// Holds the clock attached when it began, if any, for its lifetime.
class ModalClockHold {
public:
    ModalClockHold() noexcept;
    ~ModalClockHold();
    ModalClockHold(const ModalClockHold&) = delete;
    ModalClockHold& operator=(const ModalClockHold&) = delete;

private:
    HeldWaitClock* clock_;
};

}  // namespace velmora::win
