#include "update/HttpClient.h"

#include <algorithm>
#include <cctype>
#include <span>

#include "update/HttpReplyHeader.h"
#include "update/Url.h"

namespace velmora {
namespace {

constexpr char kCrLf[] = "\r\n";

// While data keeps arriving the client never has to wait for it; it still
// idles this often, so windows repaint and a cancel or a closing window gets
// through on a fast connection too.
constexpr std::uint64_t kPumpWhileReceivingMs = 100;

std::string BuildRequest(const ParsedUrl& url, bool viaProxy) {
    std::string request = "GET ";
    request += viaProxy ? url.Url : url.Path;
    request += " HTTP/1.0";
    request += kCrLf;
    if (viaProxy) {
        request += "Proxy-Connection: Keep-Alive";
        request += kCrLf;
    }
    request += "Host: " + url.Host + kCrLf;
    request += "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff";
    request += kCrLf;
    request += "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript";
    request += kCrLf;
    request += "Content-type: application/x-www-form-urlencoded";
    request += kCrLf;
    request += kCrLf;
    return request;
}

[[noreturn]] void Fail(HttpFailure kind, const std::string& text) { throw HttpError(kind, text); }

}  // namespace

int ProgressPercent(std::int64_t received, std::int64_t total) noexcept {
    if (total <= 0 || received <= 0) return 0;
    if (received >= total) return 100;
    // received * 100 needs up to 70 bits; both of our compilers have a
    // 128-bit integer on every target we build.
    __extension__ using Wide = unsigned __int128;
    return static_cast<int>(static_cast<Wide>(received) * 100 / static_cast<Wide>(total));
}

// One call of Get: the connection, the target file and the reading state.
// Everything the call owns closes when it is destroyed, on every path.
class HttpClient::Transfer {
public:
    Transfer(HttpClient& client, std::shared_ptr<bool> alive)
        : client_(client), alive_(std::move(alive)), start_(client.clock_.NowMs()) {}

    void Run(const std::string& url) {
        const UrlResult parsed = ParseUrl(url);
        if (!parsed.Ok) Fail(HttpFailure::BadUrl, parsed.Error);
        const bool viaProxy = !client_.Proxy.empty();
        std::string address = parsed.Value.Host;
        std::uint16_t port = parsed.Value.Port;
        if (viaProxy) {
            if (client_.ProxyPort < 1 || client_.ProxyPort > 65535) {
                Fail(HttpFailure::BadProxy, "The proxy port " + std::to_string(client_.ProxyPort) + " is not valid");
            }
            address = client_.Proxy;
            port = static_cast<std::uint16_t>(client_.ProxyPort);
        }
        const std::string request = BuildRequest(parsed.Value, viaProxy);

        Connect(address, port);
        Send(request);
        ReadReply();
        Finish();
    }

private:
    void Connect(const std::string& address, std::uint16_t port) {
        std::string error;
        socket_ = client_.sockets_.Connect(address, port, error);
        if (!socket_) Fail(HttpFailure::Connect, "Cannot connect to " + address + ": " + error);
        const std::uint64_t since = client_.clock_.NowMs();
        for (;;) {
            const SocketResult result = socket_->PollConnect();
            if (result.Status == SocketStatus::Ok) return;
            if (result.Status != SocketStatus::WouldBlock) {
                Fail(HttpFailure::Connect,
                     "Cannot connect to " + address + " (error " + std::to_string(result.Error) + ")");
            }
            WaitStep(since, client_.ConnectTimeoutMs, "No connection to " + address + " in time");
        }
    }

    void Send(const std::string& request) {
        std::size_t sent = 0;
        std::uint64_t since = client_.clock_.NowMs();
        while (sent < request.size()) {
            const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(request.data()) + sent,
                                         request.size() - sent);
            const SocketResult result = socket_->Send(bytes);
            switch (result.Status) {
            case SocketStatus::Ok:
                sent += std::min(result.Bytes, bytes.size());
                since = client_.clock_.NowMs();
                break;
            case SocketStatus::WouldBlock:
                WaitStep(since, IdleLimit(), "The request could not be sent in time");
                break;
            case SocketStatus::Closed:
                Fail(HttpFailure::Network, "The server closed the connection during the request");
            case SocketStatus::Failed:
                Fail(HttpFailure::Network, "Sending failed (error " + std::to_string(result.Error) + ")");
            }
        }
    }

    void ReadReply() {
        std::uint64_t since = client_.clock_.NowMs();
        for (;;) {
            std::size_t want = client_.buffer_.size();
            if (inBody_ && reader_.HasLength()) {
                const std::int64_t remaining = reader_.Length() - client_.BytesReceived;
                if (remaining <= 0) return;
                want = static_cast<std::size_t>(std::min<std::int64_t>(remaining, static_cast<std::int64_t>(want)));
            }
            const SocketResult result = socket_->Receive(std::span(client_.buffer_.data(), want));
            switch (result.Status) {
            case SocketStatus::Ok:
                since = client_.clock_.NowMs();
                Take(std::span<const std::uint8_t>(client_.buffer_.data(), std::min(result.Bytes, want)));
                if (since - lastPause_ >= kPumpWhileReceivingMs) WaitStep(since, 0, {});
                break;
            case SocketStatus::WouldBlock:
                WaitStep(since, IdleLimit(), "No data from the server in time");
                break;
            case SocketStatus::Closed:
                EndOfData();
                return;
            case SocketStatus::Failed:
                Fail(HttpFailure::Network, "Receiving failed (error " + std::to_string(result.Error) + ")");
            }
        }
    }

    // Bytes from the connection: header lines first, then body.
    void Take(std::span<const std::uint8_t> bytes) {
        anyData_ = true;
        if (!inBody_) {
            const std::size_t used = reader_.Feed(bytes);
            CheckReader();
            if (!reader_.Complete()) return;
            StartBody();
            bytes = bytes.subspan(used);
        }
        if (!bytes.empty()) Deliver(bytes);
    }

    void CheckReader() {
        switch (reader_.Error()) {
        case HeaderError::None:
            break;
        case HeaderError::LineTooLong:
            Fail(HttpFailure::TooLarge, "A reply header line is longer than " + std::to_string(kMaxHeaderLine));
        case HeaderError::TooManyBytes:
            Fail(HttpFailure::TooLarge, "The reply header is longer than " + std::to_string(kMaxHeaderBytes));
        case HeaderError::ConflictingLength:
            Fail(HttpFailure::BadReply, "The reply has two different Content-Length values");
        }
        // The header text grows line by line, as received.
        client_.Header += reader_.TakeLines();
        client_.statusCode_ = reader_.StatusCode();
    }

    void StartBody() {
        inBody_ = true;
        client_.BytesTotal = reader_.HasLength() ? reader_.Length() : 0;
        client_.LengthGiven = reader_.HasLength();
        client_.BytesReceived = 0;
        if (client_.OnHeader) client_.OnHeader();
        CheckAborted();
        if (client_.InputFileMode) {
            file_ = client_.files_.Create(client_.Body);
            if (!file_) Fail(HttpFailure::File, "Cannot create the file " + client_.Body);
        } else {
            client_.Body.clear();
            if (reader_.HasLength() && reader_.Length() > static_cast<std::int64_t>(kMaxBodyInMemory)) {
                Fail(HttpFailure::TooLarge, "The reply body is longer than " + std::to_string(kMaxBodyInMemory));
            }
        }
    }

    void Deliver(std::span<const std::uint8_t> bytes) {
        if (reader_.HasLength()) {
            const std::int64_t remaining = reader_.Length() - client_.BytesReceived;
            bytes = bytes.first(static_cast<std::size_t>(
                std::clamp<std::int64_t>(remaining, 0, static_cast<std::int64_t>(bytes.size()))));
            if (bytes.empty()) return;
        }
        if (file_) {
            if (client_.MaxFileBytes > 0 &&
                client_.BytesReceived + static_cast<std::int64_t>(bytes.size()) > client_.MaxFileBytes) {
                Fail(HttpFailure::TooLarge, "The file is longer than " + std::to_string(client_.MaxFileBytes));
            }
            if (!file_->Write(bytes)) Fail(HttpFailure::File, "Cannot write the file " + client_.Body);
        } else {
            if (client_.Body.size() + bytes.size() > kMaxBodyInMemory) {
                Fail(HttpFailure::TooLarge, "The reply body is longer than " + std::to_string(kMaxBodyInMemory));
            }
            client_.Body.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        client_.BytesReceived += static_cast<std::int64_t>(bytes.size());
        if (client_.OnPacketRecvd) client_.OnPacketRecvd();
        CheckAborted();
    }

    void EndOfData() {
        if (!anyData_) Fail(HttpFailure::BadReply, "The server closed the connection without a reply");
        if (!inBody_) {
            reader_.Finish();
            CheckReader();
            StartBody();
        }
        if (reader_.HasLength() && client_.BytesReceived < reader_.Length()) {
            Fail(HttpFailure::BadReply, "The reply ended after " + std::to_string(client_.BytesReceived) + " of " +
                                            std::to_string(reader_.Length()) + " bytes");
        }
    }

    void Finish() {
        socket_.reset();
        if (file_) {
            const bool closed = file_->Close();
            file_.reset();
            if (!closed) Fail(HttpFailure::File, "Cannot write the file " + client_.Body);
        }
        const int status = client_.statusCode_;
        if (status >= 400) {
            if (client_.OnFailure) client_.OnFailure(CmdGET);
            CheckAborted();
            Fail(HttpFailure::ErrorStatus, "The server answered with status " + std::to_string(status));
        }
        if (status >= 300 && status <= 398) {
            bool handled = false;
            if (client_.OnRedirect) client_.OnRedirect(handled);
            CheckAborted();
        }
    }

    [[nodiscard]] std::uint32_t IdleLimit() const {
        std::uint32_t limit = client_.IdleTimeoutMs;
        if (client_.TimeOut > 0) {
            const auto each = static_cast<std::uint32_t>(client_.TimeOut);
            limit = limit == 0 ? each : std::min(limit, each);
        }
        return limit;
    }

    // One idle step of a wait that began at since and may last limitMs.
    void WaitStep(std::uint64_t since, std::uint32_t limitMs, const std::string& timeoutText) {
        const std::uint64_t now = client_.clock_.NowMs();
        if (client_.TotalTimeoutMs != 0 && now - start_ >= client_.TotalTimeoutMs) {
            Fail(HttpFailure::Timeout, "The request took longer than " + std::to_string(client_.TotalTimeoutMs) + " ms");
        }
        if (limitMs != 0 && now - since >= limitMs) Fail(HttpFailure::Timeout, timeoutText);
        const bool goOn = client_.clock_.Pause(socket_ ? socket_->Wake() : nullptr);
        if (!*alive_) Fail(HttpFailure::Aborted, "The client was destroyed");
        lastPause_ = client_.clock_.NowMs();
        if (!goOn) Fail(HttpFailure::Aborted, "The application is closing");
        CheckAborted();
    }

    void CheckAborted() const {
        if (!*alive_) Fail(HttpFailure::Aborted, "The client was destroyed");
        if (client_.abortRequested_) Fail(HttpFailure::Aborted, "The request was aborted");
    }

    HttpClient& client_;
    std::shared_ptr<bool> alive_;
    std::uint64_t start_;
    std::uint64_t lastPause_ = start_;
    std::unique_ptr<Socket> socket_;
    std::unique_ptr<FileSink> file_;
    HttpReplyHeader reader_;
    bool anyData_ = false;
    bool inBody_ = false;
};

HttpClient::HttpClient(SocketSystem& sockets, WaitClock& clock, FileSinkFactory& files)
    : sockets_(sockets), clock_(clock), files_(files), buffer_(kHttpChunkSize), alive_(std::make_shared<bool>(true)) {}

HttpClient::~HttpClient() {
    Abort();
    *alive_ = false;
}

void HttpClient::Abort() noexcept {
    if (busy_) abortRequested_ = true;
}

void HttpClient::Get(const std::string& url) {
    if (busy_) Fail(HttpFailure::Busy, "A request is already in progress");
    busy_ = true;
    abortRequested_ = false;
    statusCode_ = 0;
    Header.clear();
    BytesTotal = 0;
    LengthGiven = false;
    BytesReceived = 0;

    // Clears the busy flag on every way out, unless a handler destroyed us.
    struct BusyReset {
        HttpClient& client;
        std::shared_ptr<bool> alive;
        ~BusyReset() {
            if (*alive) {
                client.busy_ = false;
                client.abortRequested_ = false;
            }
        }
    } reset{*this, alive_};

    Transfer transfer(*this, alive_);
    transfer.Run(url);
}

}  // namespace velmora
