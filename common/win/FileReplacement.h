#pragma once
// A file's new contents put in place in one step: written to a new file in
// the same folder, flushed, then moved over the old one, so a reader (an
// exporter collecting a metrics file, say) sees the old file or the new
// one, never half of either.

#include <string>
#include <string_view>

namespace velmora::win {

// path: in the system code page. Returns what failed, in the system's
// words, or an empty text when the file was replaced.
[[nodiscard]] std::string ReplaceFileContents(const std::string& path, std::string_view bytes) noexcept;

}  // namespace velmora::win
