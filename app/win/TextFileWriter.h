#pragma once
// Writes a whole file, replacing an existing one. A file that cannot be
// written completely is removed again rather than left truncated.

#include <string>
#include <string_view>

namespace velmora::win {

// Raises std::runtime_error with a text for the user on failure.
void WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace velmora::win
