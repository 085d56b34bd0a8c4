#pragma once
// A decimal integer typed by the user: optional sign, decimal digits, within
// 32 bits. Nothing else: no blanks, no other bases.

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora::update {

[[nodiscard]] std::optional<std::int32_t> ParseInt32Text(std::string_view text);

}  // namespace velmora::update
