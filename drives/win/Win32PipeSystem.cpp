#include "drives/win/Win32PipeSystem.h"

#include <windows.h>

#include <algorithm>

#include "common/win/UniqueHandle.h"

namespace velmora::win {

static_assert(pipe_error::PipeBusy == ERROR_PIPE_BUSY);
static_assert(pipe_error::MoreData == ERROR_MORE_DATA);
static_assert(pipe_error::HandleEof == ERROR_HANDLE_EOF);
static_assert(pipe_error::SemTimeout == ERROR_SEM_TIMEOUT);

namespace {

DWORD ClampedSize(std::size_t size) { return static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD)); }

// One overlapped ReadFile or WriteFile, waited for at most timeoutMs. A
// transfer still pending then is cancelled and its end waited for, so the
// buffer and the event are free when this returns; it counts as a time-out.
PipeIoResult Transfer(HANDLE pipe, bool reading, void* data, DWORD size, DWORD timeoutMs) {
    KernelHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!done) return {false, 0, ::GetLastError()};
    OVERLAPPED overlapped{};
    overlapped.hEvent = done.get();
    const BOOL started = reading ? ::ReadFile(pipe, data, size, nullptr, &overlapped)
                                 : ::WriteFile(pipe, data, size, nullptr, &overlapped);
    if (!started) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING && error != ERROR_MORE_DATA) return {false, 0, error};
    }
    if (::WaitForSingleObject(done.get(), timeoutMs) != WAIT_OBJECT_0) ::CancelIoEx(pipe, &overlapped);
    DWORD bytes = 0;
    if (!::GetOverlappedResult(pipe, &overlapped, &bytes, TRUE)) {
        const DWORD error = ::GetLastError();
        // A message longer than the buffer still filled it.
        if (error == ERROR_MORE_DATA) return {true, bytes, 0};
        return {false, 0, error == ERROR_OPERATION_ABORTED ? DWORD{ERROR_SEM_TIMEOUT} : error};
    }
    return {true, bytes, 0};
}

class Win32PipeConnection final : public PipeConnection {
public:
    explicit Win32PipeConnection(FileHandle handle) : handle_(std::move(handle)) {}

    PipeIoResult SetReadModeByte() override {
        DWORD mode = PIPE_READMODE_BYTE | PIPE_WAIT;
        if (!::SetNamedPipeHandleState(handle_.get(), &mode, nullptr, nullptr)) return {false, 0, ::GetLastError()};
        return {true, 0, 0};
    }

    // The request fits the pipe's buffer, so the write does not wait for the
    // service; it is still bounded by the service's step limit.
    PipeIoResult Write(std::span<const std::uint8_t> bytes) override {
        return Transfer(handle_.get(), false, const_cast<std::uint8_t*>(bytes.data()), ClampedSize(bytes.size()),
                        kPipeStepTimeoutMs);
    }

    PipeIoResult Read(std::span<std::uint8_t> bytes, std::uint32_t timeoutMs) override {
        return Transfer(handle_.get(), true, bytes.data(), ClampedSize(bytes.size()), timeoutMs);
    }

private:
    FileHandle handle_;
};

}  // namespace

std::unique_ptr<PipeConnection> Win32PipeSystem::Open(std::uint32_t& error) {
    FileHandle handle(::CreateFileA(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                    nullptr));
    if (!handle) {
        error = ::GetLastError();
        return nullptr;
    }
    error = 0;
    return std::make_unique<Win32PipeConnection>(std::move(handle));
}

bool Win32PipeSystem::WaitForPipe(std::uint32_t timeoutMs, std::uint32_t& error) {
    if (!::WaitNamedPipeA(kPipeName, timeoutMs)) {
        error = ::GetLastError();
        return false;
    }
    error = 0;
    return true;
}

std::uint64_t Win32PipeSystem::NowMs() { return ::GetTickCount64(); }

}  // namespace velmora::win
