#pragma once
// What the update tests of the toolbox need: the user's update settings in
// the registry (the toolbox runs as the same user), the machine-wide update
// host, the tests' signing key trusted machine-wide, a loopback HTTP server
// on a thread of this process that either answers every request with one
// reply or accepts and stays silent, and the reference update server a run
// may be given.

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
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

// The one place of the registry settings an update test with a loopback
// server needs: the toolbox asks host and never the start-up question.
inline bool UseLoopbackUpdateHost(const std::string& host) { return DontAskAtStartUp() && SetUpdateHost(&host); }

// A file's bytes; "(missing)" when it cannot be opened.
inline std::string ReadWhole(const std::string& path) {
    std::string bytes;
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "(missing)";
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    return bytes;
}

// Makes path hold bytes, and nothing else.
inline bool WriteWhole(const std::string& path, const std::string& bytes) {
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// The reference update server run-gui-test.sh starts for a run when
// VELMORA_UPDATE_SERVER_SOURCE is set: its address and its folder, which
// holds the manifest it reads at each request, the files it serves and its
// request log.
struct ReferenceUpdateServer {
    std::string Host;    // 127.0.0.1:PORT
    std::string Folder;  // as this process names it

    static std::optional<ReferenceUpdateServer> FromEnvironment() {
        const char* host = std::getenv("VELMORA_REFERENCE_SERVER");
        const char* folder = std::getenv("VELMORA_REFERENCE_DIR");
        if (!host || !folder || !*host || !*folder) return std::nullopt;
        return ReferenceUpdateServer{host, folder};
    }

    // Serves bytes as /files/NAME.
    [[nodiscard]] bool ServeFile(const std::string& name, const std::string& bytes) const {
        return WriteWhole(Folder + "\\files\\" + name, bytes);
    }

    // From the next request on, the reply offers application 1.02 at path on
    // the server, with the digest of the served file.
    [[nodiscard]] bool OfferApplication(const std::string& file, const std::string& path) const {
        return WriteWhole(Folder + "\\manifest.json",
                          R"({"file_version": "1.0", "application": {"version": "1.02", "file": ")" + file +
                              R"(", "path": ")" + path + R"("}})");
    }

    // The paths asked so far, in order, from the log's request lines
    // (127.0.0.1 "GET PATH HTTP/1.0" STATUS -).
    [[nodiscard]] std::vector<std::string> AskedPaths() const {
        const std::string log = ReadWhole(Folder + "\\server.log");
        std::vector<std::string> paths;
        constexpr std::string_view kGet = "\"GET ";
        for (std::size_t at = log.find(kGet); at != std::string::npos; at = log.find(kGet, at + 1)) {
            const std::size_t start = at + kGet.size();
            paths.push_back(log.substr(start, log.find(' ', start) - start));
        }
        return paths;
    }
};

class LoopbackUpdateServer {
public:
    enum class Mode { Reply, Silent };

    // Reply: every request gets status 200 with body, then the connection
    // closes. Silent: the request is read and nothing is ever sent.
    explicit LoopbackUpdateServer(Mode mode, std::string body = {}) : mode_(mode), body_(std::move(body)) { Start(); }
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
            {
                const std::lock_guard lock(mutex_);
                if (firstRequestLine_.empty()) firstRequestLine_ = request.substr(0, request.find("\r\n"));
            }
            ++requests_;
            if (mode_ == Mode::Silent) {
                held.push_back(std::move(client));
                continue;
            }
            const std::string reply =
                "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body_.size()) + "\r\n\r\n" + body_;
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
    win::WinsockScope winsock_;
    win::SocketHandle listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    std::string firstRequestLine_;
    std::thread thread_;
};

}  // namespace velmora::testing
