#include "update/ReplySignature.h"

#include "update/Base64.h"

namespace velmora::update {

namespace {

constexpr std::string_view kSection = "[file version]";
constexpr std::string_view kKey = "signature=";

std::string_view Trim(std::string_view line) {
    while (!line.empty() && static_cast<unsigned char>(line.front()) <= 32) line.remove_prefix(1);
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= 32) line.remove_suffix(1);
    return line;
}

}  // namespace

ReplySignature SplitReplySignature(std::string_view body) {
    body = body.substr(0, body.find('\0'));
    ReplySignature result{std::string(body), std::nullopt};
    bool inSection = false;
    for (std::size_t start = 0; start < body.size();) {
        std::size_t end = body.find_first_of("\r\n", start);
        std::size_t next = end == std::string_view::npos ? body.size() : end + 1;
        if (end == std::string_view::npos) end = body.size();
        if (end < body.size() && body[end] == '\r' && next < body.size() && body[next] == '\n') ++next;
        const std::string_view line = Trim(body.substr(start, end - start));
        if (line.empty() || line.front() == '[') {
            if (inSection) return result;  // the block ended without a signature
            inSection = line == kSection;
        } else if (inSection && line.substr(0, kKey.size()) == kKey) {
            result.SignedBody = std::string(body.substr(0, start)) + std::string(body.substr(next));
            result.Der = DecodeBase64(line.substr(kKey.size()));
            return result;
        }
        start = next;
    }
    return result;
}

}  // namespace velmora::update
