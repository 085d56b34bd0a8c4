#include "update/ReplySignature.h"

#include "update/Base64.h"
#include "update/UpdateReplyLines.h"

namespace velmora::update {

namespace {

constexpr std::string_view kSection = "[file version]";
constexpr std::string_view kKey = "signature=";

}  // namespace

ReplySignature SplitReplySignature(std::string_view body) {
    body = ReplyText(body);
    ReplySignature result{std::string(body), std::nullopt};
    bool inSection = false;
    for (const ReplyLine& line : SplitReplyLines(body)) {
        if (line.Text.empty() || line.Text.front() == '[') {
            if (inSection) return result;  // the block ended without a signature
            inSection = line.Text == kSection;
        } else if (inSection && line.Text.substr(0, kKey.size()) == kKey) {
            result.SignedBody = std::string(body.substr(0, line.Start)) + std::string(body.substr(line.Next));
            result.Der = DecodeBase64(line.Text.substr(kKey.size()));
            return result;
        }
    }
    return result;
}

}  // namespace velmora::update
