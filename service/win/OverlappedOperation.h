#pragma once
// Owns the OVERLAPPED of one overlapped call on one handle. If the call is
// still pending when the object goes away (a time-out, a stop, an early
// return), the destructor cancels it and waits for its completion, so the
// system never writes into a released OVERLAPPED, event or buffer.
// Declare the buffer and the event before this object so that they outlive it.

#include <windows.h>

namespace velmora::win {

class OverlappedOperation {
public:
    // event: a manual-reset event the caller keeps alive; handle: the file
    // or pipe the call is made on.
    OverlappedOperation(HANDLE handle, HANDLE event) noexcept;
    ~OverlappedOperation() { Cancel(); }
    OverlappedOperation(const OverlappedOperation&) = delete;
    OverlappedOperation& operator=(const OverlappedOperation&) = delete;

    [[nodiscard]] OVERLAPPED* get() noexcept { return &overlapped_; }

    // Records how the call started: pending when it failed with
    // ERROR_IO_PENDING. Returns whether the call may still complete (true for
    // success at once or pending; false for any other failure).
    [[nodiscard]] bool Started(BOOL callResult) noexcept;
    [[nodiscard]] bool Pending() const noexcept { return pending_; }

    // The result without waiting. False while still pending (the error is
    // then ERROR_IO_INCOMPLETE) or when the call failed.
    [[nodiscard]] bool FetchResult(DWORD& bytes) noexcept;

    // Cancels a pending call and waits until the system has finished with it.
    void Cancel() noexcept;

private:
    HANDLE handle_;
    OVERLAPPED overlapped_{};
    bool pending_ = false;
};

}  // namespace velmora::win
