#pragma once
// The update flow's seam to the network: the reply of the check kept in
// memory, a download streamed to a file, and abort. The application uses
// HttpUpdateTransport (HttpClient); tests use a scripted fake.

#include <cstdint>
#include <functional>
#include <string>

namespace velmora::update {

// Body bytes received so far and the announced size (0 when unknown).
using DownloadProgress = std::function<void(std::int64_t received, std::int64_t total)>;

class UpdateTransport {
public:
    virtual ~UpdateTransport() = default;
    // The proxy for the following requests; an empty host means direct.
    virtual void SetProxy(const std::string& host, std::int32_t port) = 0;
    // The body of a GET (a redirect reply counts as final). Throws on any
    // failure: no connection, time limit, status 400 or higher, abort.
    [[nodiscard]] virtual std::string Fetch(const std::string& url) = 0;
    // A GET whose body is written to `path` (created or replaced); progress
    // runs after each chunk. Redirects to http:// URLs are followed (at most
    // kMaxRedirects, never back to a URL already asked). Succeeds only with
    // a 2xx status and, when the reply gave a Content-Length, exactly that
    // many bytes. A size announced over freeBytes (the target disk's free
    // space) or over kMaxDownloadBytes is refused before any byte is
    // written; a body without a size fails at kMaxDownloadBytes. Throws like
    // Fetch otherwise; the file may then hold part of a body, and removing
    // it is the caller's.
    virtual void Download(const std::string& url, const std::string& path, const DownloadProgress& progress,
                          std::uint64_t freeBytes) = 0;
    // Ends a request in progress, which then throws. Safe at any time.
    virtual void Abort() noexcept = 0;
};

}  // namespace velmora::update
