#include "service/win/OverlappedOperation.h"

namespace velmora::win {

OverlappedOperation::OverlappedOperation(HANDLE handle, HANDLE event) noexcept : handle_(handle) {
    overlapped_.hEvent = event;
}

bool OverlappedOperation::Started(BOOL callResult) noexcept {
    if (callResult) return true;
    if (::GetLastError() != ERROR_IO_PENDING) return false;
    pending_ = true;
    return true;
}

bool OverlappedOperation::FetchResult(DWORD& bytes) noexcept {
    bytes = 0;
    if (::GetOverlappedResult(handle_, &overlapped_, &bytes, FALSE)) {
        pending_ = false;
        return true;
    }
    if (::GetLastError() != ERROR_IO_INCOMPLETE) pending_ = false;
    return false;
}

void OverlappedOperation::Cancel() noexcept {
    if (!pending_) return;
    const DWORD savedError = ::GetLastError();
    ::CancelIoEx(handle_, &overlapped_);
    DWORD bytes = 0;
    // Completes at once, cancelled or (if it raced the cancel) finished.
    ::GetOverlappedResult(handle_, &overlapped_, &bytes, TRUE);
    pending_ = false;
    ::SetLastError(savedError);
}

}  // namespace velmora::win
