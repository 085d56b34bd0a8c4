#pragma once
// A download's files on Windows (ANSI paths): the temporary file and the
// move into place of common/win/FileReplacement, the free space from
// GetDiskFreeSpaceEx of the target's folder.

#include "update/DownloadFiles.h"

namespace velmora::update::win {

class WinDownloadFiles final : public DownloadFiles {
public:
    [[nodiscard]] std::optional<std::string> CreateTemporaryBeside(const std::string& target) override;
    [[nodiscard]] std::optional<std::uint64_t> FreeBytesBeside(const std::string& target) override;
    [[nodiscard]] bool MoveIntoPlace(const std::string& temporary, const std::string& target) override;
    void Remove(const std::string& path) noexcept override;
};

}  // namespace velmora::update::win
