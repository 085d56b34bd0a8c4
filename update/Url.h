#pragma once
// How the HTTP client reads a URL: scheme, host, port and request target.

#include <cstdint>
#include <string>

namespace velmora {

inline constexpr std::size_t kMaxDirectPathLength = 256;

struct ParsedUrl {
    std::string Url;   // the URL as sent through a proxy ("/" appended when it had no path)
    std::string Host;  // without the port
    std::uint16_t Port = 80;
    std::string Path;  // from the "/" after the host, cut to kMaxDirectPathLength
};

struct UrlResult {
    bool Ok = false;
    ParsedUrl Value;
    std::string Error;  // the client's own text when !Ok
};

inline constexpr char kHttpsNotSupportedText[] = "HTTP Secure Socket is not supported";

// Fails for an empty URL, an "https" scheme, a missing or empty host, and a
// port that is not a decimal number from 1 to 65535. Default ports: 80, or
// 21 for "ftp" and 70 for "gopher".
[[nodiscard]] UrlResult ParseUrl(const std::string& url);

}  // namespace velmora
