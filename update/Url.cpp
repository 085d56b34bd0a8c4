#include "update/Url.h"

#include <cctype>

namespace velmora {
namespace {

UrlResult Fail(std::string text) {
    UrlResult result;
    result.Error = std::move(text);
    return result;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A decimal port of 1..65535 with nothing else around it.
bool ReadPort(const std::string& text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5) return false;
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value == 0 || value > 65535) return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

UrlResult ParseUrl(const std::string& url) {
    if (url.empty()) return Fail("The URL is empty");

    const std::size_t colon = url.find(':');
    const std::string scheme = colon == std::string::npos ? std::string() : Lower(url.substr(0, colon));
    if (scheme == "https") return Fail(kHttpsNotSupportedText);

    const std::size_t slashes = url.find("//");
    if (slashes == std::string::npos) return Fail("The URL names no host");
    const std::size_t hostStart = slashes + 2;
    const std::size_t pathStart = url.find('/', hostStart);
    std::string hostPart = url.substr(hostStart, pathStart == std::string::npos ? std::string::npos
                                                                                : pathStart - hostStart);

    UrlResult result;
    ParsedUrl& parsed = result.Value;
    parsed.Port = scheme == "ftp" ? 21 : scheme == "gopher" ? 70 : 80;
    const std::size_t portColon = hostPart.find(':');
    if (portColon != std::string::npos) {
        if (!ReadPort(hostPart.substr(portColon + 1), parsed.Port)) return Fail("The URL names a bad port");
        hostPart.resize(portColon);
    }
    if (hostPart.empty()) return Fail("The URL names no host");
    parsed.Host = std::move(hostPart);

    if (pathStart == std::string::npos) {
        parsed.Url = url + "/";
        parsed.Path = "/";
    } else {
        parsed.Url = url;
        parsed.Path = url.substr(pathStart, kMaxDirectPathLength);
    }
    result.Ok = true;
    return result;
}

}  // namespace velmora
