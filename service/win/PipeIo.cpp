#include "service/win/PipeIo.h"

#include "common/win/UniqueHandle.h"
#include "service/win/OverlappedOperation.h"

namespace velmora::win {
namespace {

// How often the flush's watchdog looks at the deadline and the abort event;
// repeating also covers a cancel that came before the flush had begun.
constexpr DWORD kWatchdogPeriodMs = 50;

DWORD RemainingMs(ULONGLONG deadline) noexcept {
    const ULONGLONG now = ::GetTickCount64();
    return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

bool IsSet(HANDLE abort) noexcept { return abort != nullptr && ::WaitForSingleObject(abort, 0) == WAIT_OBJECT_0; }

// Waits for the operation's event until the deadline or abort; APCs that run
// in the alertable wait do not end it early.
bool WaitUntil(HANDLE event, ULONGLONG deadline, HANDLE abort) noexcept {
    const HANDLE handles[] = {event, abort};
    const DWORD count = abort != nullptr ? 2 : 1;
    for (;;) {
        const DWORD left = RemainingMs(deadline);
        const DWORD result = ::WaitForMultipleObjectsEx(count, handles, FALSE, left, TRUE);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_IO_COMPLETION || left == 0) return false;
    }
}

template <typename Call>
bool TransferExactly(HANDLE handle, std::size_t size, DWORD timeoutMs, HANDLE abort, Call call) noexcept {
    KernelHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event) return false;
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    std::size_t done = 0;
    while (done < size) {
        if (IsSet(abort)) return false;
        OverlappedOperation operation(handle, event.get());
        const DWORD chunk = static_cast<DWORD>(size - done);
        if (!operation.Started(call(done, chunk, operation.get()))) return false;
        if (operation.Pending() && !WaitUntil(event.get(), deadline, abort)) return false;
        DWORD bytes = 0;
        if (!operation.FetchResult(bytes)) return false;
        if (bytes == 0 && RemainingMs(deadline) == 0) return false;
        done += bytes;
    }
    return true;
}

class TimerQueueTimer {
public:
    TimerQueueTimer() noexcept = default;
    ~TimerQueueTimer() { Stop(); }
    TimerQueueTimer(const TimerQueueTimer&) = delete;
    TimerQueueTimer& operator=(const TimerQueueTimer&) = delete;
    [[nodiscard]] bool Start(WAITORTIMERCALLBACK callback, void* context, DWORD dueMs, DWORD periodMs) noexcept {
        return ::CreateTimerQueueTimer(&timer_, nullptr, callback, context, dueMs, periodMs,
                                       WT_EXECUTEINTIMERTHREAD) != FALSE;
    }
    void Stop() noexcept {
        // INVALID_HANDLE_VALUE: returns only after a running callback ended.
        if (timer_ != nullptr) ::DeleteTimerQueueTimer(nullptr, timer_, INVALID_HANDLE_VALUE);
        timer_ = nullptr;
    }

private:
    HANDLE timer_ = nullptr;
};

struct FlushWatch {
    HANDLE Thread;
    ULONGLONG Deadline;
    HANDLE Abort;
};

VOID CALLBACK CancelFlushWhenDue(PVOID context, BOOLEAN) noexcept {
    const auto* watch = static_cast<const FlushWatch*>(context);
    if (RemainingMs(watch->Deadline) == 0 || IsSet(watch->Abort)) ::CancelSynchronousIo(watch->Thread);
}

}  // namespace

bool ReadExactly(HANDLE handle, std::span<std::uint8_t> buffer, DWORD timeoutMs, HANDLE abort) noexcept {
    return TransferExactly(handle, buffer.size(), timeoutMs, abort,
                           [&](std::size_t offset, DWORD count, OVERLAPPED* overlapped) {
                               return ::ReadFile(handle, buffer.data() + offset, count, nullptr, overlapped);
                           });
}

bool WriteExactly(HANDLE handle, std::span<const std::uint8_t> bytes, DWORD timeoutMs, HANDLE abort) noexcept {
    return TransferExactly(handle, bytes.size(), timeoutMs, abort,
                           [&](std::size_t offset, DWORD count, OVERLAPPED* overlapped) {
                               return ::WriteFile(handle, bytes.data() + offset, count, nullptr, overlapped);
                           });
}

bool FlushWithin(HANDLE handle, DWORD timeoutMs, HANDLE abort) noexcept {
    // CancelSynchronousIo needs a real handle with terminate access, not the
    // pseudo handle of GetCurrentThread.
    KernelHandle thread(::OpenThread(THREAD_TERMINATE, FALSE, ::GetCurrentThreadId()));
    if (!thread) return false;
    // The timer is declared after the thread handle and its context, so it
    // is deleted (and its callback finished) before they go.
    const FlushWatch watch{thread.get(), ::GetTickCount64() + timeoutMs, abort};
    TimerQueueTimer watchdog;
    if (!watchdog.Start(CancelFlushWhenDue, const_cast<FlushWatch*>(&watch), kWatchdogPeriodMs, kWatchdogPeriodMs)) {
        return false;
    }
    const BOOL flushed = ::FlushFileBuffers(handle);
    const DWORD error = ::GetLastError();
    watchdog.Stop();
    ::SetLastError(error);
    return flushed != FALSE;
}

}  // namespace velmora::win
