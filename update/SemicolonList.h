#pragma once
// ";"-separated lists of the reply ("applicable"). Entries are not trimmed;
// an empty entry between two ';' stays; one trailing ';' adds no entry.

#include <string_view>

namespace velmora::update {

// Whether the list holds an entry equal to `entry`, without building the
// list.
[[nodiscard]] bool SemicolonListContains(std::string_view text, std::string_view entry);

}  // namespace velmora::update
