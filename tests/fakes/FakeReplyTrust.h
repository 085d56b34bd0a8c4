#pragma once
// The update path's trust seams for native tests: a stand-in for the
// system's cryptography whose "signature" of a message for a key is the key
// followed by the message (so any changed byte, or another key, fails), the
// update trust settings as a plain value, and a signer that puts such a
// signature into a reply the way the maker's signing does.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "update/Base64.h"
#include "update/ReplyTrust.h"
#include "update/UpdateCrypto.h"

namespace velmora::fakes {

class FakeUpdateCrypto final : public update::UpdateCrypto {
public:
    static std::string Signature(std::string_view message, std::string_view point) {
        return std::string(point) + std::string(message);
    }
    [[nodiscard]] bool VerifySignature(std::string_view message, std::string_view der,
                                       std::string_view publicPoint) override {
        ++Verifications;
        return der == Signature(message, publicPoint);
    }
    [[nodiscard]] std::optional<update::Sha256Digest> FileSha256(const std::string& path) override {
        Hashed.push_back(path);
        const auto found = Files.find(path);
        if (found == Files.end()) return Digest;
        return found->second;
    }

    std::map<std::string, update::Sha256Digest> Files;  // by path
    std::optional<update::Sha256Digest> Digest;          // of any other file; none: unreadable
    std::vector<std::string> Hashed;                     // the paths hashed, in order
    int Verifications = 0;
};

class FakeUpdateTrustSource final : public update::UpdateTrustSource {
public:
    update::UpdateTrustSettings ReadUpdateTrust() override {
        ++Reads;
        return Settings;
    }
    update::UpdateTrustSettings Settings;
    int Reads = 0;
};

// A key of the tests' own, as uncompressed points are spelled.
inline const std::string kOtherKey = "\x04" + std::string(64, 'k');

// The reply with a "signature=" line for `point` right after its
// "[file version]" header (which the reply must have), ending as that line
// ends.
inline std::string SignReply(const std::string& reply, std::string_view point = update::kMakerPublicKey) {
    const std::size_t header = reply.find("[file version]");
    const std::size_t end = reply.find_first_of("\r\n", header);
    const std::string lineEnd = reply.compare(end, 2, "\r\n") == 0 ? "\r\n" : reply.substr(end, 1);
    const std::size_t next = end + lineEnd.size();
    const std::string line = "signature=" + update::EncodeBase64(FakeUpdateCrypto::Signature(reply, point)) + lineEnd;
    return reply.substr(0, next) + line + reply.substr(next);
}

}  // namespace velmora::fakes
