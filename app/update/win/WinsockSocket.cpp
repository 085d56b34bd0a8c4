#include "app/update/win/WinsockSocket.h"

#include <climits>

namespace velmora::win {
namespace {

// A large receive buffer lets one poll drain a lot after each idle step.
constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

SocketResult FromError(int error) {
    if (error == WSAEWOULDBLOCK) return {SocketStatus::WouldBlock, 0, 0};
    // "Not connected" ends a body quietly rather than failing it.
    if (error == WSAENOTCONN) return {SocketStatus::Closed, 0, 0};
    return {SocketStatus::Failed, 0, static_cast<std::uint32_t>(error)};
}

int Clamp(std::size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

class WinsockSocket final : public Socket {
public:
    explicit WinsockSocket(SocketHandle socket) : socket_(std::move(socket)) {}

    SocketResult PollConnect() override {
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(socket_.get(), &writable);
        FD_SET(socket_.get(), &failed);
        timeval now{0, 0};
        const int ready = ::select(0, nullptr, &writable, &failed, &now);
        if (ready == SOCKET_ERROR) return {SocketStatus::Failed, 0, static_cast<std::uint32_t>(::WSAGetLastError())};
        if (FD_ISSET(socket_.get(), &failed)) {
            int error = 0;
            int length = sizeof error;
            static_cast<void>(
                ::getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length));
            return {SocketStatus::Failed, 0, static_cast<std::uint32_t>(error == 0 ? WSAECONNREFUSED : error)};
        }
        if (FD_ISSET(socket_.get(), &writable)) return {SocketStatus::Ok, 0, 0};
        return {SocketStatus::WouldBlock, 0, 0};
    }

    SocketResult Send(std::span<const std::uint8_t> bytes) override {
        const int sent = ::send(socket_.get(), reinterpret_cast<const char*>(bytes.data()), Clamp(bytes.size()), 0);
        if (sent == SOCKET_ERROR) return FromError(::WSAGetLastError());
        return {SocketStatus::Ok, static_cast<std::size_t>(sent), 0};
    }

    SocketResult Receive(std::span<std::uint8_t> bytes) override {
        const int got = ::recv(socket_.get(), reinterpret_cast<char*>(bytes.data()), Clamp(bytes.size()), 0);
        if (got == SOCKET_ERROR) return FromError(::WSAGetLastError());
        if (got == 0) return {SocketStatus::Closed, 0, 0};
        return {SocketStatus::Ok, static_cast<std::size_t>(got), 0};
    }

private:
    SocketHandle socket_;
};

bool Resolve(const std::string& host, in_addr& address, std::string& error) {
    const unsigned long dotted = ::inet_addr(host.c_str());
    if (dotted != INADDR_NONE || host == "255.255.255.255") {
        address.s_addr = dotted;
        return true;
    }
    const hostent* entry = ::gethostbyname(host.c_str());
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list == nullptr ||
        entry->h_addr_list[0] == nullptr) {
        error = "the name " + host + " was not found (error " + std::to_string(::WSAGetLastError()) + ")";
        return false;
    }
    address = *reinterpret_cast<const in_addr*>(entry->h_addr_list[0]);
    return true;
}

}  // namespace

WinsockScope::WinsockScope() noexcept {
    WSADATA data{};
    error_ = ::WSAStartup(MAKEWORD(2, 2), &data);
    started_ = error_ == 0;
}

WinsockScope::~WinsockScope() {
    if (started_) ::WSACleanup();
}

std::unique_ptr<Socket> WinsockSocketSystem::Connect(const std::string& host, std::uint16_t port,
                                                     std::string& error) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = ::htons(port);
    if (!Resolve(host, target.sin_addr, error)) return nullptr;

    SocketHandle socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!socket) {
        error = "no socket (error " + std::to_string(::WSAGetLastError()) + ")";
        return nullptr;
    }
    u_long nonBlocking = 1;
    if (::ioctlsocket(socket.get(), FIONBIO, &nonBlocking) == SOCKET_ERROR) {
        error = "cannot make the socket non-blocking (error " + std::to_string(::WSAGetLastError()) + ")";
        return nullptr;
    }
    // Close with an immediate reset: nothing lingers after the reply.
    const linger immediate{1, 0};
    static_cast<void>(::setsockopt(socket.get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&immediate),
                                   sizeof immediate));
    static_cast<void>(::setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUF,
                                   reinterpret_cast<const char*>(&kReceiveBufferBytes), sizeof kReceiveBufferBytes));

    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) == SOCKET_ERROR) {
        const int code = ::WSAGetLastError();
        if (code != WSAEWOULDBLOCK) {
            error = "connection failed (error " + std::to_string(code) + ")";
            return nullptr;
        }
    }
    return std::make_unique<WinsockSocket>(std::move(socket));
}

}  // namespace velmora::win
