#include "update/win/WinsockSocket.h"

#include <climits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

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

// A host name lookup on a thread of its own, so the caller can keep pumping
// messages meanwhile. The result lives in shared state: a socket destroyed
// during the lookup leaves the thread to finish alone.
class HostLookup {
public:
    explicit HostLookup(const std::string& host) : state_(std::make_shared<State>()) {
        std::thread([state = state_, host] {
            in_addr address{};
            int error = 0;
            try {
                const hostent* entry = ::gethostbyname(host.c_str());
                if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list == nullptr ||
                    entry->h_addr_list[0] == nullptr) {
                    error = ::WSAGetLastError();
                    if (error == 0) error = WSAHOST_NOT_FOUND;
                } else {
                    address = *reinterpret_cast<const in_addr*>(entry->h_addr_list[0]);
                }
            } catch (...) {
                error = WSANO_RECOVERY;
            }
            const std::lock_guard lock(state->mutex);
            state->address = address;
            state->error = error;
            state->done = true;
        }).detach();
    }

    // False while the lookup runs; then error is 0 and address is set, or
    // error holds the reason.
    [[nodiscard]] bool Done(in_addr& address, int& error) const {
        const std::lock_guard lock(state_->mutex);
        if (!state_->done) return false;
        address = state_->address;
        error = state_->error;
        return true;
    }

private:
    struct State {
        std::mutex mutex;
        bool done = false;
        in_addr address{};
        int error = 0;
    };
    std::shared_ptr<State> state_;
};

class WinsockSocket final : public Socket {
public:
    // A dotted address connects at once; a host name is looked up first.
    WinsockSocket(const std::string& host, std::uint16_t port) : port_(port) {
        const unsigned long dotted = ::inet_addr(host.c_str());
        if (dotted != INADDR_NONE || host == "255.255.255.255") {
            address_.s_addr = dotted;
        } else {
            lookup_.emplace(host);
        }
    }

    // Starts connecting now when no lookup is needed; 0 or the error.
    [[nodiscard]] int StartIfResolved() { return lookup_ ? 0 : Start(); }

    SocketResult PollConnect() override {
        return Retried([this] { return CheckConnected(); });
    }

    SocketResult Send(std::span<const std::uint8_t> bytes) override {
        return Retried([&] {
            const int sent = ::send(socket_.get(), reinterpret_cast<const char*>(bytes.data()), Clamp(bytes.size()), 0);
            if (sent == SOCKET_ERROR) return FromError(::WSAGetLastError());
            return SocketResult{SocketStatus::Ok, static_cast<std::size_t>(sent), 0};
        });
    }

    SocketResult Receive(std::span<std::uint8_t> bytes) override {
        return Retried([&] {
            const int got = ::recv(socket_.get(), reinterpret_cast<char*>(bytes.data()), Clamp(bytes.size()), 0);
            if (got == SOCKET_ERROR) return FromError(::WSAGetLastError());
            if (got == 0) return SocketResult{SocketStatus::Closed, 0, 0};
            return SocketResult{SocketStatus::Ok, static_cast<std::size_t>(got), 0};
        });
    }

    // Null until the socket exists (while the host name is looked up).
    WakeEvent Wake() noexcept override { return socket_ ? event_.get() : nullptr; }

private:
    // Runs attempt; when it would block, clears the event and tries once
    // more. News that comes after the clearing sets the event again, so the
    // wait that follows a "would block" cannot sleep through it, and a stale
    // event never makes it spin.
    template <typename Attempt>
    SocketResult Retried(Attempt attempt) {
        const SocketResult first = attempt();
        if (first.Status != SocketStatus::WouldBlock || !socket_) return first;
        ::ResetEvent(event_.get());
        return attempt();
    }

    SocketResult CheckConnected() {
        if (lookup_) {
            int error = 0;
            if (!lookup_->Done(address_, error)) return {SocketStatus::WouldBlock, 0, 0};
            lookup_.reset();
            if (error != 0) return {SocketStatus::Failed, 0, static_cast<std::uint32_t>(error)};
            if (const int startError = Start(); startError != 0) {
                return {SocketStatus::Failed, 0, static_cast<std::uint32_t>(startError)};
            }
        }
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

    // A non-blocking socket that closes with an immediate reset and sets
    // event_ at its news, connecting.
    int Start() {
        event_.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (!event_) return static_cast<int>(::GetLastError());
        socket_.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        if (!socket_) return ::WSAGetLastError();
        // Makes the socket non-blocking as well.
        if (::WSAEventSelect(socket_.get(), event_.get(), FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) ==
            SOCKET_ERROR) {
            return ::WSAGetLastError();
        }
        const linger immediate{1, 0};
        static_cast<void>(::setsockopt(socket_.get(), SOL_SOCKET, SO_LINGER,
                                       reinterpret_cast<const char*>(&immediate), sizeof immediate));
        static_cast<void>(::setsockopt(socket_.get(), SOL_SOCKET, SO_RCVBUF,
                                       reinterpret_cast<const char*>(&kReceiveBufferBytes),
                                       sizeof kReceiveBufferBytes));
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = ::htons(port_);
        target.sin_addr = address_;
        if (::connect(socket_.get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) == SOCKET_ERROR) {
            const int error = ::WSAGetLastError();
            if (error != WSAEWOULDBLOCK) return error;
        }
        return 0;
    }

    std::uint16_t port_;
    in_addr address_{};
    std::optional<HostLookup> lookup_;
    KernelHandle event_;  // manual reset; outlives the socket it was selected for
    SocketHandle socket_;
};

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
    auto socket = std::make_unique<WinsockSocket>(host, port);
    if (const int code = socket->StartIfResolved(); code != 0) {
        error = "connection to " + host + " failed (error " + std::to_string(code) + ")";
        return nullptr;
    }
    return socket;
}

}  // namespace velmora::win
