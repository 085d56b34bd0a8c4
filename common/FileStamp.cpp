#include "common/FileStamp.h"

#include <sys/stat.h>
#include <sys/types.h>

namespace velmora {

std::optional<FileStamp> SystemFileStamps::Read(const std::string& path) {
    constexpr std::int64_t kNsPerSecond = 1'000'000'000;
#ifdef _WIN32
    struct _stat64 info {};
    if (::_stat64(path.c_str(), &info) != 0) return std::nullopt;
    return FileStamp{static_cast<std::int64_t>(info.st_mtime) * kNsPerSecond, static_cast<std::uint64_t>(info.st_size)};
#else
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileStamp{static_cast<std::int64_t>(info.st_mtim.tv_sec) * kNsPerSecond + info.st_mtim.tv_nsec,
                     static_cast<std::uint64_t>(info.st_size)};
#endif
}

}  // namespace velmora
