#pragma once
// The HTTP client's seam over TCP: one connection per request, every call
// non-blocking so the caller can keep the window alive between polls.
// Windows: Winsock (update/win/WinsockSocket.h); tests: a scripted fake.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "update/Clock.h"

namespace velmora {

enum class SocketStatus {
    Ok,          // Bytes were moved (or the connection is established)
    WouldBlock,  // nothing can happen yet; poll again later
    Closed,      // the peer closed its end (or "not connected"): no more data
    Failed,      // a network error; Error holds the system's code
};

struct SocketResult {
    SocketStatus Status = SocketStatus::Failed;
    std::size_t Bytes = 0;    // bytes sent or received when Ok
    std::uint32_t Error = 0;  // the system's error code when Failed
};

// One TCP connection. The destructor closes it with an immediate reset
// (linger on, time 0).
class Socket {
public:
    virtual ~Socket() = default;
    // Whether the connection attempt has finished: WouldBlock while pending,
    // Ok once connected, Failed when refused or unreachable.
    [[nodiscard]] virtual SocketResult PollConnect() = 0;
    // Sends up to bytes.size(); may send only part.
    [[nodiscard]] virtual SocketResult Send(std::span<const std::uint8_t> bytes) = 0;
    // Receives up to bytes.size(). Ok always carries at least one byte.
    [[nodiscard]] virtual SocketResult Receive(std::span<std::uint8_t> bytes) = 0;
    // An event set when a call that would have blocked may now go on (the
    // connection is made, data or the close arrived, there is room to send),
    // for WaitClock::Pause; null when the connection has none.
    [[nodiscard]] virtual WakeEvent Wake() noexcept { return nullptr; }
};

class SocketSystem {
public:
    virtual ~SocketSystem() = default;
    // Resolves host (a dotted IPv4 address is used as is, anything else is
    // looked up as an IPv4 host name) and starts a non-blocking connection to
    // port. The lookup may still run afterwards: PollConnect then reports it
    // as pending, and a failed lookup as Failed. On an immediate failure
    // returns null and puts a short reason into error.
    [[nodiscard]] virtual std::unique_ptr<Socket> Connect(const std::string& host, std::uint16_t port,
                                                          std::string& error) = 0;
};

}  // namespace velmora
