#include "service/win/FlushWatchdog.h"

namespace velmora::win {
namespace {

// How often the watchdog looks at the deadline and the abort event while
// flushes are being made.
constexpr LONG kTickMs = 50;
constexpr LONGLONG kHundredNsPerMs = 10000;

bool IsSet(HANDLE event) noexcept { return event != nullptr && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

}  // namespace

FlushWatchdog::FlushWatchdog() noexcept
    : timer_(::CreateWaitableTimerA(nullptr, FALSE, nullptr)), quit_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (!timer_ || !quit_) return;
    thread_.reset(::CreateThread(nullptr, 0, Run, this, 0, nullptr));
}

FlushWatchdog::~FlushWatchdog() {
    if (!thread_) return;
    ::SetEvent(quit_.get());
    ::WaitForSingleObject(thread_.get(), INFINITE);
    ::CancelWaitableTimer(timer_.get());
}

DWORD WINAPI FlushWatchdog::Run(void* self) noexcept {
    static_cast<FlushWatchdog*>(self)->Watch();
    return 0;
}

void FlushWatchdog::Watch() noexcept {
    const HANDLE handles[] = {quit_.get(), timer_.get()};
    while (::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) Tick();
}

void FlushWatchdog::Tick() noexcept {
    DWORD untilDeadline = 0;
    std::uint64_t flush = 0;
    {
        const std::lock_guard<std::mutex> hold(lock_);
        if (armed_) {
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline_ || IsSet(abort_)) {
                ::CancelSynchronousIo(flushingThread_.get());
            } else if (deadline_ - now < static_cast<ULONGLONG>(kTickMs)) {
                // The limit falls before the next tick: meet it exactly.
                untilDeadline = static_cast<DWORD>(deadline_ - now);
                flush = flushes_;
            }
        } else if (ticking_ && flushes_ == flushesAtLastTick_) {
            // A whole tick without a flush: quiet until the next one.
            ::CancelWaitableTimer(timer_.get());
            ticking_ = false;
        }
        flushesAtLastTick_ = flushes_;
    }
    if (untilDeadline == 0 || ::WaitForSingleObject(quit_.get(), untilDeadline) != WAIT_TIMEOUT) return;
    const std::lock_guard<std::mutex> hold(lock_);
    if (armed_ && flushes_ == flush) ::CancelSynchronousIo(flushingThread_.get());
}

bool FlushWatchdog::Arm(DWORD timeoutMs, HANDLE abort) noexcept {
    const std::lock_guard<std::mutex> hold(lock_);
    const DWORD thread = ::GetCurrentThreadId();
    if (thread != flushingThreadId_ || !flushingThread_) {
        flushingThread_.reset(::OpenThread(THREAD_TERMINATE, FALSE, thread));
        flushingThreadId_ = flushingThread_ ? thread : 0;
        if (!flushingThread_) return false;
    }
    if (!ticking_) {
        LARGE_INTEGER due;
        due.QuadPart = -kTickMs * kHundredNsPerMs;  // relative
        if (!::SetWaitableTimer(timer_.get(), &due, kTickMs, nullptr, nullptr, FALSE)) return false;
        ticking_ = true;
    }
    armed_ = true;
    ++flushes_;
    deadline_ = ::GetTickCount64() + timeoutMs;
    abort_ = abort;
    return true;
}

void FlushWatchdog::Disarm() noexcept {
    // Taking the lock waits for a cancel being made right now.
    const std::lock_guard<std::mutex> hold(lock_);
    armed_ = false;
}

bool FlushWatchdog::FlushWithin(HANDLE handle, DWORD timeoutMs, HANDLE abort) noexcept {
    if (!Valid() || !Arm(timeoutMs, abort)) return false;
    const BOOL flushed = ::FlushFileBuffers(handle);
    const DWORD error = ::GetLastError();
    Disarm();
    ::SetLastError(error);
    return flushed != FALSE;
}

}  // namespace velmora::win
