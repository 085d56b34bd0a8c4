#include "update/win/WinDownloadFiles.h"

#include <windows.h>

#include "common/win/FileReplacement.h"

namespace velmora::update::win {

namespace {

// The folder part of target with its last separator, or "." for a bare name.
std::string FolderWithSlash(const std::string& target) {
    const auto slash = target.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".\\") : target.substr(0, slash + 1);
}

}  // namespace

std::optional<std::string> WinDownloadFiles::CreateTemporaryBeside(const std::string& target) {
    std::string created;
    if (!velmora::win::CreateFileBeside(target, created).empty()) return std::nullopt;
    return created;
}

std::optional<std::uint64_t> WinDownloadFiles::FreeBytesBeside(const std::string& target) {
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExA(FolderWithSlash(target).c_str(), &available, nullptr, nullptr)) return std::nullopt;
    return available.QuadPart;
}

bool WinDownloadFiles::MoveIntoPlace(const std::string& temporary, const std::string& target) {
    return velmora::win::MoveFileIntoPlace(temporary, target).empty();
}

void WinDownloadFiles::Remove(const std::string& path) noexcept { ::DeleteFileA(path.c_str()); }

}  // namespace velmora::update::win
