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

// The two steps apart, for a file written by someone else (a download):
// a new empty file with a name of its own in path's folder, named *.tmp
// (its name in created), and the move of such a file over path in one step,
// written through. Each returns what failed, or an empty text; a failed
// move leaves both files as they were.
[[nodiscard]] std::string CreateFileBeside(const std::string& path, std::string& created) noexcept;
[[nodiscard]] std::string MoveFileIntoPlace(const std::string& temporary, const std::string& path) noexcept;

}  // namespace velmora::win
