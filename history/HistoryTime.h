#pragma once
// The history's times are whole Unix seconds UTC; people read and type them
// as calendar dates and times.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::history {

// The longest text WriteUtcTime writes: "2026-12-08T17:00:00Z", or
// "-9223372036854775808".
inline constexpr std::size_t kUtcTimeTextMax = 20;

// Writes "2026-12-08T17:00:00Z" at `at` and returns its end. A time outside
// the years 1 to 9999 (only a hand-edited database holds one) is written as
// its number of seconds.
char* WriteUtcTime(char* at, std::int64_t unixSeconds);
[[nodiscard]] std::string UtcTimeText(std::int64_t unixSeconds);

// "YYYY-MM-DD", a real calendar day, to its first second UTC; empty for
// anything else.
[[nodiscard]] std::optional<std::int64_t> ParseUtcDate(std::string_view text);

}  // namespace velmora::history
