#include "service/win/PipeIo.h"

#include "common/win/UniqueHandle.h"
#include "service/win/OverlappedOperation.h"

namespace velmora::win {
namespace {

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
        // Between pieces only: a piece that has to wait sees abort in its
        // wait, and one that completes at once takes no time worth cutting.
        if (done > 0 && IsSet(abort)) return false;
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

}  // namespace velmora::win
