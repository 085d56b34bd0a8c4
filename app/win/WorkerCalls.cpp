#include "app/win/WorkerCalls.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

#include "common/ProgramTexts.h"
#include "common/win/ComScope.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {

// Shared by Run and the worker that takes the call, so either may go first.
struct WorkerCalls::Call {
    std::function<void()> Work;
    std::exception_ptr Failure;  // set before Done
    KernelHandle Done;
};

// Shared by the owner and the worker thread, so an abandoned thread holds
// what it uses for as long as it runs.
struct WorkerCalls::Worker {
    std::mutex Mutex;
    std::condition_variable Wake;
    std::deque<std::shared_ptr<Call>> Queue;  // guarded by Mutex
    std::shared_ptr<Call> Running;            // guarded by Mutex
    bool Stop = false;                        // guarded by Mutex

    void Work() noexcept {
        ComScope com(COINIT_MULTITHREADED);
        for (;;) {
            std::shared_ptr<Call> call;
            {
                std::unique_lock lock(Mutex);
                Running.reset();
                Wake.wait(lock, [this] { return Stop || !Queue.empty(); });
                if (Queue.empty()) return;
                call = Queue.front();
                Queue.pop_front();
                Running = call;
            }
            try {
                call->Work();
            } catch (...) {
                call->Failure = std::current_exception();
            }
            ::SetEvent(call->Done.get());
        }
    }
};

bool WaitDispatchingSentMessages(HANDLE done, DWORD limitMs) noexcept {
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        const ULONGLONG waited = ::GetTickCount64() - start;
        if (waited >= limitMs) return ::WaitForSingleObject(done, 0) == WAIT_OBJECT_0;
        const auto slice = static_cast<DWORD>(std::min<ULONGLONG>(kWaitSliceMs, limitMs - waited));
        // Without MWMO_INPUTAVAILABLE only what arrives after the last look
        // wakes the wait, so queued clicks do not make it spin.
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &done, slice, QS_SENDMESSAGE | QS_PAINT, 0);
        if (woke == WAIT_OBJECT_0) return true;
        MSG message;
        // Sent messages are delivered inside PeekMessage; paints are taken
        // out and drawn. Nothing else leaves the queue.
        while (::PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE)) {
            ::DispatchMessageA(&message);
        }
    }
}

WorkerCalls::~WorkerCalls() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(worker_->Mutex);
        worker_->Stop = true;
    }
    worker_->Wake.notify_one();
    thread_.join();
}

void WorkerCalls::StartWorker() {
    if (!worker_) worker_ = std::make_shared<Worker>();
    if (!thread_.joinable()) thread_ = std::thread([worker = worker_] { worker->Work(); });
}

void WorkerCalls::Run(std::function<void()> call, DWORD ownLimitMs) {
    auto queued = std::make_shared<Call>();
    queued->Done.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!queued->Done) throw std::runtime_error(kOutOfMemoryText);
    queued->Work = std::move(call);
    StartWorker();
    {
        std::lock_guard lock(worker_->Mutex);
        worker_->Queue.push_back(queued);
    }
    worker_->Wake.notify_one();
    const DWORD limitMs = static_cast<DWORD>(std::min<ULONGLONG>(MAXDWORD - 1, ULONGLONG{ownLimitMs} + limitMs_));
    ++depth_;
    const bool ended = WaitDispatchingSentMessages(queued->Done.get(), limitMs);
    --depth_;
    if (!ended && GiveUp(queued)) throw WorkerCallTimedOut();
    if (queued->Failure) std::rethrow_exception(queued->Failure);
}

bool WorkerCalls::GiveUp(const std::shared_ptr<Call>& call) {
    std::deque<std::shared_ptr<Call>> waiting;
    {
        std::lock_guard lock(worker_->Mutex);
        auto& queue = worker_->Queue;
        if (const auto found = std::find(queue.begin(), queue.end(), call); found != queue.end()) {
            // Stuck behind another call, whose own wait gives up on it.
            queue.erase(found);
            return true;
        }
        // Ended meanwhile, or abandoned already with an earlier worker.
        if (worker_->Running != call) return ::WaitForSingleObject(call->Done.get(), 0) != WAIT_OBJECT_0;
        worker_->Stop = true;
        // The calls of the waits further out go to the fresh worker.
        waiting.swap(queue);
    }
    thread_.detach();
    worker_ = std::make_shared<Worker>();
    worker_->Queue = std::move(waiting);
    if (!worker_->Queue.empty()) StartWorker();
    return true;
}

}  // namespace velmora::win
