#pragma once
// The few JSON pieces the console writes: quoted UTF-8 strings, numbers
// that may be unknown (-1 → null) and booleans.

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// A JSON string literal of UTF-8 text, with quotes and control characters
// escaped. Bytes that are not valid UTF-8 become U+FFFD, so the result is
// valid JSON whatever the text holds.
[[nodiscard]] std::string JsonString(std::string_view utf8);
// The same, appended to out: for output built row by row.
void AppendJsonString(std::string& out, std::string_view utf8);
// The number, or null for the "not available" value -1.
[[nodiscard]] std::string JsonKnownNumber(std::int32_t value);
// The shortest text that reads back as the same double (also the form
// Prometheus's text format reads).
[[nodiscard]] std::string ShortestNumber(double value);
[[nodiscard]] inline std::string JsonBool(bool value) { return value ? "true" : "false"; }

}  // namespace velmora
