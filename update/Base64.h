#pragma once
// Standard base64 (RFC 4648 section 4 alphabet, '=' padding, no line breaks).

#include <optional>
#include <string>
#include <string_view>

namespace velmora::update {

[[nodiscard]] std::string EncodeBase64(std::string_view bytes);
// The bytes, or nothing when the text is not canonical base64 of that
// alphabet (a wrong length, a foreign byte, padding in the middle, or
// non-zero bits under the padding): a signature has one spelling only.
[[nodiscard]] std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace velmora::update
