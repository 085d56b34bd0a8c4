#include "update/UpdateHost.h"

#include "update/DriveListEncoding.h"
#include "update/UpdateTexts.h"

namespace velmora::update {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

bool IsHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<unsigned> ParsePort(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    unsigned port = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + static_cast<unsigned>(c - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

}  // namespace

std::optional<std::string> ParseUpdateHost(std::string_view text) {
    text = Trim(text);
    if (text.empty()) return std::string();
    const std::size_t colon = text.find(':');
    const std::string_view host = text.substr(0, colon);
    if (host.empty()) return std::nullopt;
    // Only characters of host names and dotted addresses: anything else could
    // change the meaning of the URL (a path, a query, credentials).
    for (const char c : host) {
        if (!IsHostCharacter(c)) return std::nullopt;
    }
    if (colon == std::string_view::npos) return std::string(host);
    const std::optional<unsigned> port = ParsePort(text.substr(colon + 1));
    if (!port) return std::nullopt;
    return std::string(host) + ':' + std::to_string(*port);
}

std::optional<std::string> UpdateBaseUrl(const UpdateHostSetting& setting) {
    std::string host = kBuiltInUpdateHost;
    switch (setting.Kind) {
        case UpdateHostSetting::State::Absent:
            break;
        case UpdateHostSetting::State::Unreadable:
            return std::nullopt;
        case UpdateHostSetting::State::Text: {
            std::optional<std::string> parsed = ParseUpdateHost(setting.Text);
            if (!parsed) return std::nullopt;
            if (!parsed->empty()) host = std::move(*parsed);
            break;
        }
    }
    return kUpdateScheme + host + kUpdatePath;
}

std::string UpdateRequestUrl(const std::string& baseUrl, const DriveTable& drives) {
    return baseUrl + kUpdateQuery + EncodeDriveList(drives);
}

}  // namespace velmora::update
