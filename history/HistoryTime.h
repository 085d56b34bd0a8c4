#pragma once
// The history's times are whole Unix seconds UTC; people read and type them
// as calendar dates and times.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::history {

// Appends "2026-12-08T17:00:00Z". A time outside the years 1 to 9999 (only a
// hand-edited database holds one) is appended as its number of seconds.
void AppendUtcTime(std::string& out, std::int64_t unixSeconds);
[[nodiscard]] std::string UtcTimeText(std::int64_t unixSeconds);

// "YYYY-MM-DD", a real calendar day, to its first second UTC; empty for
// anything else.
[[nodiscard]] std::optional<std::int64_t> ParseUtcDate(std::string_view text);

}  // namespace velmora::history
