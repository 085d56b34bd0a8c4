#pragma once
// The files of a download, apart from the bytes the transport writes: a
// temporary file beside the chosen target, the target disk's free space,
// the move into place and the removal of what is left over. The toolbox
// uses update/win/WinDownloadFiles; tests keep the files in memory.

#include <cstdint>
#include <optional>
#include <string>

namespace velmora::update {

class DownloadFiles {
public:
    virtual ~DownloadFiles() = default;
    // A new, empty file with a name of its own in target's folder, so the
    // move into place stays on one disk; nothing when none can be made.
    [[nodiscard]] virtual std::optional<std::string> CreateTemporaryBeside(const std::string& target) = 0;
    // The bytes the user may still write on the disk of target's folder;
    // nothing when it cannot be told.
    [[nodiscard]] virtual std::optional<std::uint64_t> FreeBytesBeside(const std::string& target) = 0;
    // Puts temporary in target's place in one step, replacing a file there;
    // false (both left as they were) when it cannot.
    [[nodiscard]] virtual bool MoveIntoPlace(const std::string& temporary, const std::string& target) = 0;
    // Deletes path; a file already gone is no failure, and a failure has no
    // one left to tell.
    virtual void Remove(const std::string& path) noexcept = 0;
};

}  // namespace velmora::update
