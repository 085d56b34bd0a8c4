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

class Win32PipeConnection final : public PipeConnection {
public:
    explicit Win32PipeConnection(FileHandle handle) : handle_(std::move(handle)) {}

    PipeIoResult SetReadModeByte() override {
        DWORD mode = PIPE_READMODE_BYTE | PIPE_WAIT;
        if (!::SetNamedPipeHandleState(handle_.get(), &mode, nullptr, nullptr)) return {false, 0, ::GetLastError()};
        return {true, 0, 0};
    }

    PipeIoResult Write(std::span<const std::uint8_t> bytes) override {
        DWORD written = 0;
        if (!::WriteFile(handle_.get(), bytes.data(), ClampedSize(bytes.size()), &written, nullptr)) {
            return {false, 0, ::GetLastError()};
        }
        return {true, written, 0};
    }

    PipeIoResult Read(std::span<std::uint8_t> bytes) override {
        DWORD read = 0;
        if (!::ReadFile(handle_.get(), bytes.data(), ClampedSize(bytes.size()), &read, nullptr)) {
            const DWORD error = ::GetLastError();
            // A message longer than the buffer still filled it.
            if (error != ERROR_MORE_DATA) return {false, 0, error};
        }
        return {true, read, 0};
    }

private:
    FileHandle handle_;
};

}  // namespace

std::unique_ptr<PipeConnection> Win32PipeSystem::Open(std::uint32_t& error) {
    FileHandle handle(::CreateFileA(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
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
