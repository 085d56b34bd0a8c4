#pragma once
// The update path's cryptography, all of it the system's own (CNG and
// CryptoAPI's DER decoding): SHA-256 and ECDSA P-256 verification. Calls
// exist from Windows 7 on (the hash is built step by step, not with the
// one-call BCryptHash, which Windows 7 lacks).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::win {

using Sha256Digest = std::array<std::uint8_t, 32>;

[[nodiscard]] std::optional<Sha256Digest> Sha256(std::string_view bytes);

// Whether der (a DER-encoded ECDSA signature, SEQUENCE of r and s) signs
// SHA-256(message) for the public key publicPoint (the uncompressed P-256
// point: 0x04, X, Y; 65 bytes). Any malformed input is simply false.
[[nodiscard]] bool VerifyEcdsaP256Sha256(std::string_view message, std::string_view der, std::string_view publicPoint);

}  // namespace velmora::win
