#pragma once
// FlushFileBuffers on a pipe returns only when the client has read all it
// was sent, with no limit of its own: a client that never reads would hold
// the caller forever. A FlushWatchdog bounds such flushes. It is made once
// and serves every flush for its whole life: a thread of its own waits on a
// waitable timer that ticks every 50 ms while flushes are being made. At a
// tick during a flush it cancels the flushing thread's synchronous I/O once
// the flush's limit has passed or its abort event is set, and the flush then
// fails (ERROR_OPERATION_ABORTED); ticking on covers a cancel that came
// before the flush had begun. No cancel comes after FlushWithin returns. The
// first flush after a quiet moment starts the timer; a tick that finds no
// flush since the one before stops it, so an idle watchdog is never woken,
// and a busy one costs a flush no system call of its own.

#include <windows.h>

#include <cstdint>
#include <mutex>

#include "common/win/UniqueHandle.h"

namespace velmora::win {

class FlushWatchdog {
public:
    // Starts the watchdog's thread; check Valid().
    FlushWatchdog() noexcept;
    // Ends the watchdog's thread and waits for it.
    ~FlushWatchdog();
    FlushWatchdog(const FlushWatchdog&) = delete;
    FlushWatchdog& operator=(const FlushWatchdog&) = delete;

    [[nodiscard]] bool Valid() const noexcept { return timer_ && quit_ && thread_; }

    // Flushes handle within timeoutMs, or until abort is set. One flush at a
    // time; false (with the thread's last error) when the flush failed, was
    // cancelled, or the watchdog is not Valid().
    [[nodiscard]] bool FlushWithin(HANDLE handle, DWORD timeoutMs, HANDLE abort = nullptr) noexcept;

private:
    static DWORD WINAPI Run(void* self) noexcept;
    void Watch() noexcept;
    [[nodiscard]] bool Arm(DWORD timeoutMs, HANDLE abort) noexcept;
    void Disarm() noexcept;
    void Tick() noexcept;

    KernelHandle timer_;
    KernelHandle quit_;
    KernelHandle thread_;

    std::mutex lock_;  // everything below; the timer is set, stopped and a cancel made while holding it
    bool ticking_ = false;
    bool armed_ = false;
    std::uint64_t flushes_ = 0;  // flushes begun, and as many as the last tick saw
    std::uint64_t flushesAtLastTick_ = 0;
    ULONGLONG deadline_ = 0;
    HANDLE abort_ = nullptr;
    // CancelSynchronousIo needs a real handle with terminate access, not the
    // pseudo handle of GetCurrentThread; opened again only for another thread.
    KernelHandle flushingThread_;
    DWORD flushingThreadId_ = 0;
};

}  // namespace velmora::win
