#pragma once
// The update flow's transport over HttpClient: redirects are taken as final
// replies, an error status fails the request, the reply of the check is
// limited to 60 s in all, downloads only by the client's idle limit.

#include <cstdint>
#include <string>

#include "update/HttpClient.h"
#include "update/UpdateTransport.h"

namespace velmora::update {

inline constexpr std::uint32_t kUpdateReplyTotalTimeoutMs = 60000;

class HttpUpdateTransport final : public UpdateTransport {
public:
    // The seams must outlive the transport.
    HttpUpdateTransport(SocketSystem& sockets, WaitClock& clock, FileSinkFactory& files);

    void SetProxy(const std::string& host, std::int32_t port) override;
    [[nodiscard]] std::string Fetch(const std::string& url) override;
    void Download(const std::string& url, const std::string& path, const DownloadProgress& progress) override;
    void Abort() noexcept override;

private:
    HttpClient client_;
    const DownloadProgress* progress_ = nullptr;  // set during Download only
};

}  // namespace velmora::update
