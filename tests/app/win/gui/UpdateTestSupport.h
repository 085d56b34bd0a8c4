#pragma once
// What the update tests of the toolbox need: the user's update settings in
// the registry (the toolbox runs as the same user), the machine-wide update
// host, the tests' signing key trusted machine-wide, and a loopback HTTP server on a thread of this process that either
// answers every request with one reply or accepts and stays silent.

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "update/SettingsNames.h"
#include "update/win/WinsockSocket.h"
#include "common/win/UniqueHandle.h"

namespace velmora::testing {


// Removes the user's settings key: the next start is a fresh profile.
inline bool ClearUserSettings() {
    const LSTATUS result = ::RegDeleteTreeA(HKEY_CURRENT_USER, kRegistryKeyPath);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

inline bool SetUserDword(const char* name, DWORD value) {
    HKEY raw = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kRegistryKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    win::RegistryKey key(raw);
    return ::RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

// The test is not about the start-up question: it never appears.
inline bool DontAskAtStartUp() { return SetUserDword("UpdatesDontAsk", 1); }

// The value's type and, for a REG_DWORD, its number; nullopt when missing.
struct UserValue {
    DWORD Type = REG_NONE;
    DWORD Number = 0;
    friend bool operator==(const UserValue&, const UserValue&) = default;
};
inline std::optional<UserValue> ReadUserValue(const char* name) {
    BYTE data[512] = {};
    DWORD size = sizeof data;
    UserValue value;
    if (::RegGetValueA(HKEY_CURRENT_USER, kRegistryKeyPath, name, RRF_RT_ANY | RRF_NOEXPAND, &value.Type, data,
                       &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (value.Type == REG_DWORD) value.Number = *reinterpret_cast<const DWORD*>(data);
    return value;
}

// Writes (data non-null) or removes a value of the product's HKLM key, in
// the 64-bit view the programs read.
inline bool SetMachineValue(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY raw = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRegistryKeyPath, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                          nullptr, &raw, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    win::RegistryKey key(raw);
    if (!data) {
        const LSTATUS result = ::RegDeleteValueA(key.get(), name);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    return ::RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

// HKLM UpdateHost = host, or removed when null.
inline bool SetUpdateHost(const std::string* host) {
    return SetMachineValue(update::setting::UpdateHost, REG_SZ, host ? host->c_str() : nullptr,
                           host ? static_cast<DWORD>(host->size() + 1) : 0);
}

// The public point of the tests' signing key (tests/data/update/
// test-signing-key.pem), as UpdateTrustedKey takes it:
//   openssl ec -in test-signing-key.pem -pubout -outform DER | tail -c 65 | base64 -w0
inline constexpr char kTestSigningKeyPoint[] =
    "BM1+pvbKHjm8y8b2IfBrdaiPlUTEln0LMCNSIFQJJcV1NEUNXuIOxpv23+YEMOXTc1Bgsyj8ARktXaJPLXGhC4M=";

// HKLM UpdateTrustedKey = the tests' key, or removed when false: replies
// the tests sign are trusted, as an organisation's mirror would be.
inline bool TrustTestSigningKey(bool trusted = true) {
    return SetMachineValue(update::setting::UpdateTrustedKey, REG_SZ, trusted ? kTestSigningKeyPoint : nullptr,
                           sizeof kTestSigningKeyPoint);
}

// HKLM RequireSignedUpdates = 0 while a test serves replies it cannot sign
// ahead (their URLs name its own port), or removed (the default, 1).
inline bool RequireSignedUpdates(bool required) {
    const DWORD off = 0;
    return SetMachineValue(update::setting::RequireSignedUpdates, REG_DWORD, required ? nullptr : &off, sizeof off);
}

// The one place of the registry settings an update test with a loopback
// server needs: the toolbox asks host and never the start-up question.
inline bool UseLoopbackUpdateHost(const std::string& host) { return DontAskAtStartUp() && SetUpdateHost(&host); }

class LoopbackUpdateServer {
public:
    enum class Mode { Reply, Silent, Answer };
    // The whole reply (status line, header, body) to a request for path
    // (its query included).
    using Answerer = std::function<std::string(const std::string& path)>;

    // Reply: every request gets status 200 with body, then the connection
    // closes. Silent: the request is read and nothing is ever sent.
    explicit LoopbackUpdateServer(Mode mode, std::string body = {}) : mode_(mode), body_(std::move(body)) { Start(); }
    // Every request gets what answer says for its path, then the connection closes.
    explicit LoopbackUpdateServer(Answerer answer) : mode_(Mode::Answer), answer_(std::move(answer)) { Start(); }
    ~LoopbackUpdateServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    LoopbackUpdateServer(const LoopbackUpdateServer&) = delete;
    LoopbackUpdateServer& operator=(const LoopbackUpdateServer&) = delete;

    [[nodiscard]] bool Listening() const { return port_ != 0; }
    [[nodiscard]] std::string HostText() const { return "127.0.0.1:" + std::to_string(port_); }
    [[nodiscard]] int Requests() const { return requests_; }
    [[nodiscard]] std::string FirstRequestLine() const {
        const std::lock_guard lock(mutex_);
        return firstRequestLine_;
    }
    // The paths asked, in order.
    [[nodiscard]] std::vector<std::string> Paths() const {
        const std::lock_guard lock(mutex_);
        return paths_;
    }

private:
    void Start() {
        listener_.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        if (!listener_) return;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_.get(), 4) != 0 ||
            ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            listener_.reset();
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }

    // Waits up to 50 ms for the socket to become readable.
    static bool Readable(SOCKET socket) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval wait{0, 50000};
        return ::select(0, &set, nullptr, nullptr, &wait) == 1;
    }

    void Serve() {
        std::vector<win::SocketHandle> held;  // silent connections, closed at the end
        while (!stop_) {
            if (!Readable(listener_.get())) continue;
            win::SocketHandle client(::accept(listener_.get(), nullptr, nullptr));
            if (!client) continue;
            std::string request;
            while (!stop_ && request.find("\r\n\r\n") == std::string::npos) {
                if (!Readable(client.get())) continue;
                char chunk[1024];
                const int got = ::recv(client.get(), chunk, sizeof chunk, 0);
                if (got <= 0) break;
                request.append(chunk, static_cast<std::size_t>(got));
            }
            const std::string line = request.substr(0, request.find("\r\n"));
            const std::size_t pathStart = line.find(' ') + 1;
            const std::string path = line.substr(pathStart, line.find(' ', pathStart) - pathStart);
            {
                const std::lock_guard lock(mutex_);
                if (firstRequestLine_.empty()) firstRequestLine_ = line;
                paths_.push_back(path);
            }
            ++requests_;
            if (mode_ == Mode::Silent) {
                held.push_back(std::move(client));
                continue;
            }
            const std::string reply =
                mode_ == Mode::Answer
                    ? answer_(path)
                    : "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body_.size()) + "\r\n\r\n" + body_;
            for (std::size_t sent = 0; sent < reply.size();) {
                const int n = ::send(client.get(), reply.data() + sent, static_cast<int>(reply.size() - sent), 0);
                if (n <= 0) break;
                sent += static_cast<std::size_t>(n);
            }
            ::shutdown(client.get(), SD_SEND);
        }
    }

    Mode mode_;
    std::string body_;
    Answerer answer_;
    win::WinsockScope winsock_;
    win::SocketHandle listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    std::string firstRequestLine_;
    std::vector<std::string> paths_;
    std::thread thread_;
};

}  // namespace velmora::testing
