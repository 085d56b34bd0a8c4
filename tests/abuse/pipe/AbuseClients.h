#pragma once
// Hostile clients of the service's pipe, and the well-behaved one whose
// waits are measured between them. The hostile ones use overlapped I/O with
// deadlines: a plain synchronous client that sent a short request would sit
// in its read until the service gave up on it, seconds per request.

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/PipeRecords.h"
#include "common/win/UniqueHandle.h"
#include "service/win/OverlappedOperation.h"
#include "tests/service/win/ServiceTestSupport.h"

namespace velmora::testing {

inline constexpr DWORD kOpenTimeoutMs = 30000;
// Longer than any bound of the service, so that an expired wait here means
// the service is stuck, not slow.
inline constexpr DWORD kClientWaitMs = 10000;

class Stopwatch {
public:
    Stopwatch() noexcept { ::QueryPerformanceCounter(&start_); }
    [[nodiscard]] double Ms() const {
        LARGE_INTEGER now;
        LARGE_INTEGER frequency;
        ::QueryPerformanceCounter(&now);
        ::QueryPerformanceFrequency(&frequency);
        return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_{};
};

// Opens the pipe for overlapped I/O, waiting while the one instance is busy,
// until the deadline.
inline win::FileHandle OpenPipeOverlapped(DWORD timeoutMs = kOpenTimeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        win::FileHandle pipe(::CreateFileA(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_OVERLAPPED, nullptr));
        if (pipe) return pipe;
        const DWORD error = ::GetLastError();
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return {};
        if (error == ERROR_PIPE_BUSY) {
            ::WaitNamedPipeA(kPipeName, static_cast<DWORD>(deadline - now));
        } else {
            ::Sleep(1);
        }
    }
}

// Waits for an overlapped call started on op; true when it completed in time.
inline bool WaitFor(const win::OverlappedOperation& op, HANDLE event, DWORD timeoutMs) {
    return !op.Pending() || ::WaitForSingleObject(event, timeoutMs) == WAIT_OBJECT_0;
}

struct RandomRequestResult {
    bool Connected = false;
    bool ReplyExpected = false;  // a whole request went out, so a whole reply is due
    DWORD ReplyLength = 0;
    bool ReplySealed = false;
};

// Sends request (any length, any bytes) with a read for the reply already
// waiting. With closeAtOnce the client hangs up straight after starting
// both. Otherwise a request shorter than a record is closed as soon as it
// is written (nothing will come back), and a longer one waits for the whole
// reply, since the service answers the first 520 bytes.
inline RandomRequestResult SendHostileRequest(std::span<const std::uint8_t> request, bool closeAtOnce,
                                              DWORD openTimeoutMs = kOpenTimeoutMs) {
    RandomRequestResult result;
    win::FileHandle pipe = OpenPipeOverlapped(openTimeoutMs);
    if (!pipe) return result;
    result.Connected = true;
    result.ReplyExpected = !closeAtOnce && request.size() >= PIPE_REQUEST_SIZE;

    win::KernelHandle writeEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    win::KernelHandle readEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!writeEvent || !readEvent) return result;
    ReplyBytes reply{};
    // Declared after the buffers and events: a call still pending when the
    // client leaves is cancelled and waited for before they go.
    win::OverlappedOperation write(pipe.get(), writeEvent.get());
    win::OverlappedOperation read(pipe.get(), readEvent.get());

    bool reading = read.Started(::ReadFile(pipe.get(), reply.data(), static_cast<DWORD>(reply.size()), nullptr,
                                           read.get()));
    bool writing = false;
    if (!request.empty()) {
        writing = write.Started(
            ::WriteFile(pipe.get(), request.data(), static_cast<DWORD>(request.size()), nullptr, write.get()));
    }
    if (closeAtOnce) return result;
    if (!result.ReplyExpected) {
        if (writing) static_cast<void>(WaitFor(write, writeEvent.get(), kClientWaitMs));
        return result;
    }

    const ULONGLONG deadline = ::GetTickCount64() + kClientWaitMs;
    while (reading && result.ReplyLength < reply.size()) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline || !WaitFor(read, readEvent.get(), static_cast<DWORD>(deadline - now))) break;
        DWORD got = 0;
        if (!read.FetchResult(got) || got == 0) break;
        result.ReplyLength += got;
        if (result.ReplyLength < reply.size()) {
            reading = read.Started(::ReadFile(pipe.get(), reply.data() + result.ReplyLength,
                                              static_cast<DWORD>(reply.size() - result.ReplyLength), nullptr,
                                              read.get()));
        }
    }
    result.ReplySealed = result.ReplyLength == reply.size() && ReplyChecksumOk(reply.data(), reply.size());
    return result;
}

// A client that sends part of a request and then waits without sending the
// rest. Returns how long the service took to drop it (its read ends), or a
// negative value when it was not dropped within kClientWaitMs. connected,
// when given, is set once the part is on its way.
inline double StallAfterSending(std::span<const std::uint8_t> part, HANDLE connected = nullptr,
                                DWORD openTimeoutMs = kOpenTimeoutMs) {
    win::FileHandle pipe = OpenPipeOverlapped(openTimeoutMs);
    if (!pipe) return -1.0;
    win::KernelHandle writeEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    win::KernelHandle readEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!writeEvent || !readEvent) return -1.0;
    ReplyBytes reply{};
    win::OverlappedOperation write(pipe.get(), writeEvent.get());
    win::OverlappedOperation read(pipe.get(), readEvent.get());
    const Stopwatch clock;
    if (!part.empty() &&
        !write.Started(::WriteFile(pipe.get(), part.data(), static_cast<DWORD>(part.size()), nullptr, write.get()))) {
        return -1.0;
    }
    if (connected != nullptr) ::SetEvent(connected);
    if (!read.Started(::ReadFile(pipe.get(), reply.data(), static_cast<DWORD>(reply.size()), nullptr, read.get()))) {
        return clock.Ms();  // already disconnected
    }
    if (!WaitFor(read, readEvent.get(), kClientWaitMs)) return -1.0;
    return clock.Ms();
}

// A client that sends a whole request and never reads the reply. Returns how
// long the service took to give up on it (the pipe is then broken for the
// client), or a negative value when it held on for kClientWaitMs. connected,
// when given, is set once the request is written.
inline double NeverReadTheReply(std::span<const std::uint8_t, PIPE_REQUEST_SIZE> request, HANDLE connected = nullptr) {
    win::FileHandle pipe = OpenPipeOverlapped();
    if (!pipe) return -1.0;
    win::KernelHandle writeEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!writeEvent) return -1.0;
    win::OverlappedOperation write(pipe.get(), writeEvent.get());
    const Stopwatch clock;
    if (!write.Started(
            ::WriteFile(pipe.get(), request.data(), static_cast<DWORD>(request.size()), nullptr, write.get()))) {
        return -1.0;
    }
    if (!WaitFor(write, writeEvent.get(), kClientWaitMs)) return -1.0;
    if (connected != nullptr) ::SetEvent(connected);
    // Peeking does not take the reply out of the pipe; it fails once the
    // service has disconnected.
    while (clock.Ms() < kClientWaitMs) {
        DWORD available = 0;
        if (!::PeekNamedPipe(pipe.get(), nullptr, 0, nullptr, &available, nullptr)) return clock.Ms();
        ::Sleep(10);
    }
    return -1.0;
}

// Opens the pipe and closes it at once, count times. Returns how many opens
// succeeded.
inline int ConnectDisconnectStorm(int count) {
    int opened = 0;
    for (int i = 0; i < count; ++i) {
        win::FileHandle pipe = OpenPipeOverlapped();
        if (pipe) ++opened;
    }
    return opened;
}

struct GoodExchange {
    bool Served = false;  // a whole sealed reply with the drive's data
    double WaitedMs = 0;  // from the first open attempt to the last reply byte
};

// What the toolbox does: open, one request for the demo set's SATA drive,
// the whole reply, close.
inline GoodExchange TimedGoodExchange() {
    const PipeRequest request{0, kInterfaceSata, "SCSI\\DISK&VEN_VELMORA&PROD_R730"};
    const Stopwatch clock;
    const Exchange exchange = ExchangeWithService(request, kOpenTimeoutMs);
    GoodExchange result;
    result.WaitedMs = clock.Ms();
    result.Served = exchange.ReplyLength == PIPE_REPLY_SIZE &&
                    ReplyChecksumOk(exchange.Reply.data(), exchange.Reply.size()) &&
                    PipeReply::Decode(exchange.Reply).DataValid == 1;
    return result;
}

}  // namespace velmora::testing
