#pragma once
// What tells a changed file from the one read before: its modification time
// and its size. The size catches a rewrite within the same second, since
// Windows' C runtime keeps whole seconds only.

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

struct FileStamp {
    std::int64_t ModifiedNs = 0;  // since 1970, as finely as the system keeps it
    std::uint64_t Size = 0;
    bool operator==(const FileStamp&) const = default;
};

class FileStamps {
public:
    virtual ~FileStamps() = default;
    // path is in the system code page. None when the file cannot be examined
    // (missing, no access). May be called from several threads at once.
    [[nodiscard]] virtual std::optional<FileStamp> Read(const std::string& path) = 0;
};

// The file system's own stamps (stat; _stat64 with the ANSI path on Windows).
class SystemFileStamps final : public FileStamps {
public:
    [[nodiscard]] std::optional<FileStamp> Read(const std::string& path) override;
};

}  // namespace velmora
