#pragma once
// A small HTTP server for the Wine tests: a Winsock listener on 127.0.0.1 and
// an ephemeral port, served by one thread, one connection at a time. Each
// connection's request header is recorded and handed to the test's responder,
// which writes the reply with SendAll; the server then closes the connection.

#include <winsock2.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "update/win/WinsockSocket.h"

namespace velmora::testing {

class LoopbackServer {
public:
    using Responder = std::function<void(SOCKET client, const std::string& request)>;

    explicit LoopbackServer(Responder responder) : responder_(std::move(responder)) {
        listener_.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
        address.sin_port = 0;
        int length = sizeof address;
        if (!listener_ || ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_.get(), 8) != 0 ||
            ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        port_ = ::ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }

    ~LoopbackServer() {
        stopping_ = true;
        listener_.reset();  // ends the blocking accept
        if (thread_.joinable()) thread_.join();
    }

    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    [[nodiscard]] std::uint16_t Port() const { return port_; }
    [[nodiscard]] std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    [[nodiscard]] std::vector<std::string> Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    // Sends all of data; false when the peer went away.
    static bool SendAll(SOCKET client, std::string_view data) {
        while (!data.empty()) {
            const int sent = ::send(client, data.data(), static_cast<int>(std::min<std::size_t>(data.size(), 1 << 20)), 0);
            if (sent <= 0) return false;
            data.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

private:
    void Serve() {
        while (!stopping_) {
            win::SocketHandle client(::accept(listener_.get(), nullptr, nullptr));
            if (!client) return;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
                const int got = ::recv(client.get(), buffer, sizeof buffer, 0);
                if (got <= 0) break;
                request.append(buffer, static_cast<std::size_t>(got));
            }
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            responder_(client.get(), request);
            ::shutdown(client.get(), SD_SEND);
        }
    }

    Responder responder_;
    win::SocketHandle listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace velmora::testing
