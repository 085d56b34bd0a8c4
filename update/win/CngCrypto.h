#pragma once
// The update path's cryptography, all of it the system's own (CNG and
// CryptoAPI's DER decoding): SHA-256 and ECDSA P-256 verification. Calls
// exist from Windows 7 on (the hash is built step by step, not with the
// one-call BCryptHash, which Windows 7 lacks).

#include <optional>
#include <string>
#include <string_view>

#include "update/UpdateCrypto.h"

namespace velmora::win {

using update::Sha256Digest;

[[nodiscard]] std::optional<Sha256Digest> Sha256(std::string_view bytes);
// The file read in chunks (ANSI path, shared for reading).
[[nodiscard]] std::optional<Sha256Digest> FileSha256(const std::string& path);

// Whether der (a DER-encoded ECDSA signature, SEQUENCE of r and s) signs
// SHA-256(message) for the public key publicPoint (the uncompressed P-256
// point: 0x04, X, Y; 65 bytes). Any malformed input is simply false.
[[nodiscard]] bool VerifyEcdsaP256Sha256(std::string_view message, std::string_view der, std::string_view publicPoint);

class CngUpdateCrypto final : public update::UpdateCrypto {
public:
    [[nodiscard]] bool VerifySignature(std::string_view message, std::string_view der,
                                       std::string_view publicPoint) override {
        return VerifyEcdsaP256Sha256(message, der, publicPoint);
    }
    [[nodiscard]] std::optional<Sha256Digest> FileSha256(const std::string& path) override {
        return win::FileSha256(path);
    }
};

}  // namespace velmora::win
