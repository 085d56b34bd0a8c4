#pragma once
// The update flow's transport over HttpClient. The reply of the check: a
// redirect is taken as the final reply, an error status fails, 60 s in all.
// A download: redirects followed and the download rules kept
// (update/DownloadRules.h); no limit in all, only the client's idle limit.

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
    void Download(const std::string& url, const std::string& path, const DownloadProgress& progress,
                  std::uint64_t freeBytes) override;
    void Abort() noexcept override;

private:
    // One GET of a download; false when the reply was a redirect (the
    // client's Header holds its Location).
    [[nodiscard]] bool DownloadOnce(const std::string& url, const std::string& path, std::uint64_t freeBytes);

    HttpClient client_;
    const DownloadProgress* progress_ = nullptr;  // set during Download only
};

}  // namespace velmora::update
