#include "app/win/WorkerCalls.h"

#include <exception>
#include <stdexcept>

#include "common/ProgramTexts.h"
#include "common/win/ComScope.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {

void WaitDispatchingSentMessages(HANDLE done) noexcept {
    for (;;) {
        // Without MWMO_INPUTAVAILABLE only what arrives after the last look
        // wakes the wait, so queued clicks do not make it spin.
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &done, kWaitSliceMs, QS_SENDMESSAGE | QS_PAINT, 0);
        if (woke == WAIT_OBJECT_0) return;
        MSG message;
        // Sent messages are delivered inside PeekMessage; paints are taken
        // out and drawn. Nothing else leaves the queue.
        while (::PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE)) {
            ::DispatchMessageA(&message);
        }
    }
}

WorkerCalls::~WorkerCalls() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (worker_.joinable()) worker_.join();
}

void WorkerCalls::StartOnce() {
    if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
}

void WorkerCalls::Run(const std::function<void()>& call) {
    KernelHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!done) throw std::runtime_error(kOutOfMemoryText);
    std::exception_ptr failure;
    const HANDLE doneEvent = done.get();
    {
        std::lock_guard lock(mutex_);
        StartOnce();
        queue_.emplace_back([&call, &failure, doneEvent] {
            try {
                call();
            } catch (...) {
                failure = std::current_exception();
            }
            ::SetEvent(doneEvent);
        });
    }
    wake_.notify_one();
    ++depth_;
    // Returns only once the call has ended: it uses this frame's variables.
    WaitDispatchingSentMessages(doneEvent);
    --depth_;
    if (failure) std::rethrow_exception(failure);
}

void WorkerCalls::Work() noexcept {
    ComScope com(COINIT_MULTITHREADED);
    for (;;) {
        std::function<void()> call;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (queue_.empty()) return;
            call = std::move(queue_.front());
            queue_.pop_front();
        }
        call();  // catches everything itself
    }
}

}  // namespace velmora::win
