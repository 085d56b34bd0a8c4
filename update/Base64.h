#pragma once
// Standard base64 (RFC 4648 section 4 alphabet, '=' padding, no line breaks).

#include <string>
#include <string_view>

namespace velmora::update {

[[nodiscard]] std::string EncodeBase64(std::string_view bytes);

}  // namespace velmora::update
