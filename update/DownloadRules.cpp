#include "update/DownloadRules.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace velmora::update {

namespace {

constexpr std::string_view kHttp = "http://";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

// RFC 3986's removal of dot segments, on a path that starts with "/".
std::string RemoveDotSegments(std::string_view path) {
    std::vector<std::string_view> kept;
    std::size_t start = 1;
    while (true) {
        const std::size_t slash = path.find('/', start);
        const std::string_view segment =
            path.substr(start, slash == std::string_view::npos ? path.npos : slash - start);
        const bool last = slash == std::string_view::npos;
        if (segment == "..") {
            if (!kept.empty()) kept.pop_back();
            if (last) kept.emplace_back();
        } else if (segment == ".") {
            if (last) kept.emplace_back();
        } else {
            kept.push_back(segment);
        }
        if (last) break;
        start = slash + 1;
    }
    std::string out;
    for (const std::string_view segment : kept) {
        out += '/';
        out += segment;
    }
    return out.empty() ? "/" : out;
}

// "http://host:port" and the path with its query, of an http:// URL.
std::pair<std::string_view, std::string_view> SplitOrigin(std::string_view url) {
    const std::size_t pathStart = url.find_first_of("/?#", kHttp.size());
    if (pathStart == std::string_view::npos) return {url, "/"};
    return {url.substr(0, pathStart), url.substr(pathStart)};
}

std::string WithPath(std::string_view origin, std::string_view pathAndQuery) {
    const std::size_t query = pathAndQuery.find('?');
    std::string path(pathAndQuery.substr(0, query));
    if (path.empty() || path.front() != '/') path.insert(0, "/");
    std::string url = std::string(origin) + RemoveDotSegments(path);
    if (query != std::string_view::npos) url += pathAndQuery.substr(query);
    return url;
}

}  // namespace

bool DownloadComplete(int status, std::optional<std::int64_t> contentLength, std::int64_t received) {
    return status >= 200 && status <= 299 && (!contentLength || *contentLength == received);
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::optional<std::string> ResolveRedirect(std::string_view current, std::string_view location) {
    location = location.substr(0, location.find('#'));
    if (location.empty()) return std::nullopt;
    if (StartsWithNoCase(location, kHttp)) {
        const auto [origin, path] = SplitOrigin(location);
        if (origin.size() == kHttp.size()) return std::nullopt;  // no host
        return WithPath("http://" + std::string(origin.substr(kHttp.size())), path);
    }
    if (location.substr(0, 2) == "//") return ResolveRedirect(current, "http:" + std::string(location));
    // Any other "scheme:" before the first "/" or "?" is a scheme this client does not follow.
    const std::size_t colon = location.find(':');
    if (colon != std::string_view::npos && colon < location.find_first_of("/?")) return std::nullopt;

    const auto [origin, currentPath] = SplitOrigin(current);
    if (location.front() == '/') return WithPath(origin, location);
    const std::string_view currentOnly = currentPath.substr(0, currentPath.find_first_of("?#"));
    if (location.front() == '?') return WithPath(origin, std::string(currentOnly) + std::string(location));
    const std::string_view folder = currentOnly.substr(0, currentOnly.rfind('/') + 1);
    return WithPath(origin, std::string(folder) + std::string(location));
}

std::optional<std::string> RedirectTrail::Follow(std::string_view location) {
    if (hops_ == kMaxRedirects) return std::nullopt;
    std::optional<std::string> next = ResolveRedirect(current_, location);
    if (!next || !visited_.insert(*next).second) return std::nullopt;
    ++hops_;
    current_ = *next;
    return next;
}

SizeVerdict CheckDownloadSize(std::int64_t contentLength, std::uint64_t freeBytes) {
    const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(contentLength, 0));
    if (size > kMaxDownloadBytes) return SizeVerdict::TooLarge;
    if (size > freeBytes) return SizeVerdict::NoSpace;
    return SizeVerdict::Fits;
}

std::string_view LocationOf(std::string_view header) {
    constexpr std::string_view kName = "location:";
    constexpr std::string_view kBlanks = " \t";
    while (!header.empty()) {
        const std::size_t end = header.find('\n');
        std::string_view line = header.substr(0, end);
        header = end == std::string_view::npos ? std::string_view{} : header.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!StartsWithNoCase(line, kName)) continue;
        line.remove_prefix(kName.size());
        const std::size_t first = line.find_first_not_of(kBlanks);
        if (first == std::string_view::npos) return {};
        return line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
    }
    return {};
}

bool DigestMatches(std::string_view hex, const std::optional<Sha256Digest>& digest) {
    if (!digest || hex.size() != digest->size() * 2) return false;
    const auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    for (std::size_t i = 0; i < digest->size(); ++i) {
        const int high = nibble(hex[2 * i]);
        const int low = nibble(hex[2 * i + 1]);
        if (high < 0 || low < 0 || (high << 4 | low) != (*digest)[i]) return false;
    }
    return true;
}

}  // namespace velmora::update
