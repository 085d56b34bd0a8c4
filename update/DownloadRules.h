#pragma once
// When a download counts as done, where a redirect leads, and how large a
// download may be: the rules the toolbox's HTTP download follows, apart
// from the sockets.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "update/UpdateCrypto.h"

namespace velmora::update {

inline constexpr int kMaxRedirects = 5;
inline constexpr std::uint64_t kMaxDownloadBytes = 4ull << 30;  // 4 GiB

// A success needs a 2xx status and, when the reply gave a Content-Length,
// exactly that many bytes.
[[nodiscard]] bool DownloadComplete(int status, std::optional<std::int64_t> contentLength, std::int64_t received);

[[nodiscard]] bool IsRedirect(int status);

// The http:// URL a Location header leads to from `current` (an http://
// URL): absolute, scheme-relative ("//host/path"), absolute-path or
// relative, with "." and ".." segments resolved and any fragment dropped.
// Empty for another scheme or an empty location.
[[nodiscard]] std::optional<std::string> ResolveRedirect(std::string_view current, std::string_view location);

// Follows one download's redirects: at most kMaxRedirects, never to a URL
// already visited (a loop).
class RedirectTrail {
public:
    explicit RedirectTrail(std::string first) : current_(first) { visited_.insert(std::move(first)); }
    // The next URL to ask, or empty when the redirect may not be followed.
    [[nodiscard]] std::optional<std::string> Follow(std::string_view location);
    [[nodiscard]] const std::string& Current() const { return current_; }

private:
    std::string current_;
    std::set<std::string> visited_;
    int hops_ = 0;
};

enum class SizeVerdict { Fits, TooLarge, NoSpace };

// Checked before any byte is written, when the reply announces a size.
[[nodiscard]] SizeVerdict CheckDownloadSize(std::int64_t contentLength, std::uint64_t freeBytes);

// The value of the first "Location:" line (any case) of header, the reply's
// header lines with their line ends, without the blanks around it; empty
// when there is none.
[[nodiscard]] std::string_view LocationOf(std::string_view header);

// Whether hex (the offer's sha256 value, any case) spells digest. Nothing,
// a shorter or longer value, or a non-hex digit never matches.
[[nodiscard]] bool DigestMatches(std::string_view hex, const std::optional<Sha256Digest>& digest);

}  // namespace velmora::update
