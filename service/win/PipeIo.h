#pragma once
// Whole-record transfers on an overlapped pipe handle, each within one time
// limit. A byte-mode pipe may deliver a record in pieces, so a transfer
// takes as many calls as it needs until the limit passes. Every call still
// pending when a transfer gives up is cancelled and waited for before the
// function returns, so the caller's buffer may go away at once. The flush
// that follows a reply is bounded by FlushWatchdog.h.

#include <windows.h>

#include <cstdint>
#include <span>

namespace velmora::win {

// True only when exactly buffer.size() bytes arrived within timeoutMs. False
// on a failed call, the other end closing, the limit passing or abort.
[[nodiscard]] bool ReadExactly(HANDLE handle, std::span<std::uint8_t> buffer, DWORD timeoutMs,
                               HANDLE abort = nullptr) noexcept;

// True only when all bytes were written within timeoutMs, before abort.
[[nodiscard]] bool WriteExactly(HANDLE handle, std::span<const std::uint8_t> bytes, DWORD timeoutMs,
                                HANDLE abort = nullptr) noexcept;

}  // namespace velmora::win
