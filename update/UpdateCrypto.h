#pragma once
// The update path's cryptography behind a seam: the system's own on Windows
// (update/win/CngCrypto), a test double elsewhere. No crypto of our own.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::update {

using Sha256Digest = std::array<std::uint8_t, 32>;

class UpdateCrypto {
public:
    virtual ~UpdateCrypto() = default;
    // Whether der (a DER-encoded ECDSA signature) signs SHA-256(message) for
    // publicPoint (the uncompressed P-256 point: 0x04, X, Y; 65 bytes). Any
    // malformed input is simply false.
    [[nodiscard]] virtual bool VerifySignature(std::string_view message, std::string_view der,
                                               std::string_view publicPoint) = 0;
    // SHA-256 of the file's bytes; nothing when it cannot be read.
    [[nodiscard]] virtual std::optional<Sha256Digest> FileSha256(const std::string& path) = 0;
};

}  // namespace velmora::update
