#pragma once
// The HTTP client's sockets on Windows: Winsock, non-blocking, IPv4.

#include <winsock2.h>

#include "update/Socket.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {

struct SocketHandleTraits {
    using Type = SOCKET;
    static Type Invalid() noexcept { return INVALID_SOCKET; }
    static void Close(Type s) noexcept { ::closesocket(s); }
};
using SocketHandle = UniqueHandle<SocketHandleTraits>;

// WSAStartup for the life of the object; WSACleanup only when it succeeded.
class WinsockScope {
public:
    WinsockScope() noexcept;
    ~WinsockScope();
    WinsockScope(const WinsockScope&) = delete;
    WinsockScope& operator=(const WinsockScope&) = delete;
    [[nodiscard]] bool Ok() const noexcept { return started_; }
    [[nodiscard]] int Error() const noexcept { return error_; }

private:
    bool started_ = false;
    int error_ = 0;
};

// A dotted address (inet_addr) connects at once; a host name is looked up
// with gethostbyname on a thread of its own while PollConnect reports
// "would block", so the caller keeps pumping messages; a failed lookup comes
// back from PollConnect as Failed. Needs a live WinsockScope.
class WinsockSocketSystem final : public SocketSystem {
public:
    [[nodiscard]] std::unique_ptr<Socket> Connect(const std::string& host, std::uint16_t port,
                                                  std::string& error) override;
};

}  // namespace velmora::win
