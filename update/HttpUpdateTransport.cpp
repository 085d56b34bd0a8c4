#include "update/HttpUpdateTransport.h"

namespace velmora::update {

namespace {

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
    client_.TotalTimeoutMs = kUpdateReplyTotalTimeoutMs;
    client_.Get(url);
    return std::move(client_.Body);
}

void HttpUpdateTransport::Download(const std::string& url, const std::string& path,
                                   const DownloadProgress& progress) {
    const ProgressScope scope(progress_, progress);
    client_.Header.clear();
    client_.Body = path;
    client_.InputFileMode = true;
    client_.TotalTimeoutMs = 0;  // a large file may take long; the idle limit still applies
    client_.Get(url);
}

void HttpUpdateTransport::Abort() noexcept { client_.Abort(); }

}  // namespace velmora::update
