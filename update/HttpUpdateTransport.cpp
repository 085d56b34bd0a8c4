#include "update/HttpUpdateTransport.h"

#include "update/DownloadRules.h"

namespace velmora::update {

namespace {

// Thrown by the header handler of a download whose reply is not 2xx: its
// body is never written to the file.
struct NotABody {};

// Clears the progress target on every way out of Download.
class ProgressScope {
public:
    ProgressScope(const DownloadProgress*& slot, const DownloadProgress& progress) : slot_(slot) {
        slot_ = &progress;
    }
    ~ProgressScope() { slot_ = nullptr; }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    const DownloadProgress*& slot_;
};

}  // namespace

HttpUpdateTransport::HttpUpdateTransport(SocketSystem& sockets, WaitClock& clock, FileSinkFactory& files)
    : client_(sockets, clock, files) {
    client_.OnRedirect = [](bool& handled) { handled = true; };
    client_.OnFailure = [](std::int32_t) { throw HttpError(HttpFailure::ErrorStatus, "error status"); };
    client_.OnPacketRecvd = [this] {
        if (progress_ != nullptr && *progress_) (*progress_)(client_.BytesReceived, client_.BytesTotal);
    };
}

void HttpUpdateTransport::SetProxy(const std::string& host, std::int32_t port) {
    client_.Proxy = host;
    client_.ProxyPort = port;
}

std::string HttpUpdateTransport::Fetch(const std::string& url) {
    client_.InputFileMode = false;
    client_.OnHeader = nullptr;
    client_.TotalTimeoutMs = kUpdateReplyTotalTimeoutMs;
    client_.Get(url);
    return std::move(client_.Body);
}

void HttpUpdateTransport::Download(const std::string& url, const std::string& path, const DownloadProgress& progress,
                                   std::uint64_t freeBytes) {
    const ProgressScope scope(progress_, progress);
    RedirectTrail trail(url);
    while (!DownloadOnce(trail.Current(), path, freeBytes)) {
        const std::string_view location = LocationOf(client_.Header);
        if (!trail.Follow(location)) {
            throw HttpError(HttpFailure::BadReply,
                            "The redirect to \"" + std::string(location) + "\" is not followed");
        }
    }
}

bool HttpUpdateTransport::DownloadOnce(const std::string& url, const std::string& path, std::uint64_t freeBytes) {
    client_.Header.clear();
    client_.Body = path;
    client_.InputFileMode = true;
    client_.TotalTimeoutMs = 0;  // a large file may take long; the idle limit still applies
    client_.MaxFileBytes = static_cast<std::int64_t>(kMaxDownloadBytes);
    client_.OnHeader = [this, freeBytes] {
        const int status = client_.StatusCode();
        if (status < 200 || status > 299) throw NotABody{};
        if (!client_.LengthGiven) return;
        switch (CheckDownloadSize(client_.BytesTotal, freeBytes)) {
        case SizeVerdict::Fits:
            return;
        case SizeVerdict::TooLarge:
            throw HttpError(HttpFailure::TooLarge, "The file is larger than 4 GiB");
        case SizeVerdict::NoSpace:
            throw HttpError(HttpFailure::File, "The file is larger than the free space of its disk");
        }
    };
    try {
        client_.Get(url);
    } catch (const NotABody&) {
        const int status = client_.StatusCode();
        if (IsRedirect(status)) return false;
        throw HttpError(HttpFailure::ErrorStatus, "The server answered with status " + std::to_string(status));
    }
    if (!DownloadComplete(client_.StatusCode(), client_.LengthGiven ? std::optional(client_.BytesTotal) : std::nullopt,
                          client_.BytesReceived)) {
        throw HttpError(HttpFailure::BadReply, "The download did not complete");
    }
    return true;
}

void HttpUpdateTransport::Abort() noexcept { client_.Abort(); }

}  // namespace velmora::update
