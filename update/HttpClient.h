#pragma once
// A small HTTP/1.0 client for the update checker: one GET per call, direct or
// through an HTTP proxy, on the user-interface thread. While it waits it
// idles through WaitClock::Pause (which processes window messages on
// Windows), so handlers may run, and may call Abort, during a call; while
// data keeps arriving without a wait it still idles every 100 ms or so.
//
// Failures: Get throws HttpError; its what() is the client's own short text
// for logs. It is not meant for the user: the update checker shows its own
// message for every failure of Get. An exception thrown by an event handler
// leaves Get unchanged after the connection and file are closed.
//
// Limits the client keeps (a server or proxy cannot hold it forever or make
// it grow without bound): connecting ConnectTimeoutMs, IdleTimeoutMs without
// any data, TotalTimeoutMs for the whole call when not 0; one header line
// kMaxHeaderLine bytes, all header lines kMaxHeaderBytes, a body kept in
// memory kMaxBodyInMemory. Content-Length ends the body; a body cut short of
// it fails. A Content-Length that is not plain digits or does not fit 63 bits
// counts as absent; two different values fail the request.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "update/Clock.h"
#include "update/HttpFileSink.h"
#include "update/Socket.h"

namespace velmora {

inline constexpr std::int32_t CmdGET = 0;

// The one receive buffer, and the most a receive asks for: each receive
// costs a system call (under Wine a server round trip as well), so with
// 64 KiB a download reached only half of curl's pace on loopback.
inline constexpr std::size_t kHttpChunkSize = 1024 * 1024;
inline constexpr std::size_t kMaxHeaderLine = 8 * 1024;
inline constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
inline constexpr std::size_t kMaxBodyInMemory = 1024 * 1024;
inline constexpr std::uint32_t kDefaultConnectTimeoutMs = 15000;
inline constexpr std::uint32_t kDefaultIdleTimeoutMs = 30000;

enum class HttpFailure {
    BadUrl,          // empty, "https", no host, bad port
    BadProxy,        // ProxyPort outside 1..65535
    Busy,            // Get called while a call is in progress
    Connect,         // name not found, connection refused or not made in time
    Network,         // send or receive failed
    Timeout,         // no data for IdleTimeoutMs / TimeOut, or TotalTimeoutMs passed
    TooLarge,        // a header or in-memory body cap was passed
    BadReply,        // no reply at all, conflicting Content-Length, cut short
    File,            // target file could not be created or written
    ErrorStatus,     // status 400 or higher (after OnFailure returned)
    Aborted,         // Abort, the client destroyed, or the application quitting
};

class HttpError : public std::runtime_error {
public:
    HttpError(HttpFailure kind, const std::string& text) : std::runtime_error(text), kind_(kind) {}
    [[nodiscard]] HttpFailure Kind() const noexcept { return kind_; }

private:
    HttpFailure kind_;
};

// received * 100 / total in whole percent, 0..100, without overflow for any
// 64-bit sizes; 0 when total is not positive.
[[nodiscard]] int ProgressPercent(std::int64_t received, std::int64_t total) noexcept;

class HttpClient {
public:
    // The seams must outlive the client.
    HttpClient(SocketSystem& sockets, WaitClock& clock, FileSinkFactory& files);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // One GET; returns when the whole reply has been read (status 1..399, or
    // 0 for an unreadable status line). Status 300..398 fires OnRedirect and
    // is never followed. Status 400 or higher stores the body, fires
    // OnFailure and then fails with ErrorStatus.
    void Get(const std::string& url);

    // Ends the call in progress, which then fails with Aborted. Safe from an
    // event handler and from a message handled during a wait; no effect when
    // no call is in progress.
    void Abort() noexcept;

    // Status code of the last reply (0 before any).
    [[nodiscard]] int StatusCode() const noexcept { return statusCode_; }

    // Settings.
    std::string Proxy;           // empty: direct connection
    std::int32_t ProxyPort = 0;  // must be 1..65535 when Proxy is set
    bool InputFileMode = false;  // false: body into Body; true: Body names the target file
    // Time limits in ms; 0 means none. TimeOut, when set, also limits each
    // wait for data (the smaller of it and IdleTimeoutMs applies).
    std::int32_t TimeOut = 0;
    std::uint32_t ConnectTimeoutMs = kDefaultConnectTimeoutMs;
    std::uint32_t IdleTimeoutMs = kDefaultIdleTimeoutMs;
    std::uint32_t TotalTimeoutMs = 0;  // the whole call: the update reply uses 60000, downloads none
    // File mode: a body longer than this fails with TooLarge before the
    // byte past it is written; 0 means none.
    std::int64_t MaxFileBytes = 0;

    // Results.
    std::string Body;
    std::string Header;             // status and header lines with their line ends
    std::int64_t BytesTotal = 0;    // Content-Length; 0 when absent
    bool LengthGiven = false;       // the reply had a usable Content-Length
    std::int64_t BytesReceived = 0;

    // Events, delivered on the calling thread during Get. A handler may call
    // Abort or throw; it must not destroy the client itself (a message
    // handled during a wait may: the call then fails with Aborted).
    std::function<void()> OnPacketRecvd;
    // The header is complete (StatusCode, Header, BytesTotal and LengthGiven
    // are set); no body byte has been kept and no target file created yet.
    std::function<void()> OnHeader;
    std::function<void(std::int32_t command)> OnFailure;
    std::function<void(bool& handled)> OnRedirect;

private:
    class Transfer;

    SocketSystem& sockets_;
    WaitClock& clock_;
    FileSinkFactory& files_;
    std::vector<std::uint8_t> buffer_;  // the one receive buffer, kHttpChunkSize
    int statusCode_ = 0;
    bool busy_ = false;
    bool abortRequested_ = false;
    // Lets a call in progress notice that the client was destroyed by a
    // handler that ran during a wait.
    std::shared_ptr<bool> alive_;
};

}  // namespace velmora
