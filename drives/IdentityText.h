#pragma once
// Text helpers for drive identity strings: the WMI serial number, which some
// drivers publish hex-encoded, and the pair swap that older Windows needs.

#include <string>
#include <string_view>

namespace velmora {

// Keeps only ASCII letters and digits; if all that remains is digits and
// lower-case a-f, decodes it as hex pairs (high digit first, an odd last
// digit dropped), else returns the filtered text.
[[nodiscard]] std::string DecodeSerialText(std::string_view text);

// Exchanges characters 1 and 2, 3 and 4, ...; an odd last one stays.
[[nodiscard]] std::string SwapCharPairs(std::string_view text);

// Drops control characters and blanks at both ends.
[[nodiscard]] std::string TrimBlanks(std::string_view text);

[[nodiscard]] bool IsAsciiAlnum(char c);

}  // namespace velmora
