#pragma once
// The drive selection rule of the WMI path: a row's "InstanceName" answers
// for a request when it begins with the request's text, ignoring letter case.

#include <string_view>

namespace velmora {

// Upper case of one UTF-16 unit for the scripts that device ids and names
// use (Basic Latin, Latin-1, Latin Extended-A, Greek, Cyrillic, full-width
// Latin); every other unit is its own upper case.
[[nodiscard]] char16_t UpperChar16(char16_t c) noexcept;

// True when rowName is at least as long as instance and its first
// instance.size() units equal instance's after upper-casing both sides. An
// empty instance matches every row.
[[nodiscard]] bool InstanceNameMatches(std::u16string_view rowName, std::u16string_view instance) noexcept;

}  // namespace velmora
