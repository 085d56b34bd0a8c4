#pragma once
// Reading a drive-set file. A file that cannot be read or parsed is reported
// here, once, as "FILE <file name> LINE <bad line, or 0 when unreadable>
// CODE 0", and yields a broken set.

#include <cstddef>
#include <string>

#include "common/DriveSet.h"

namespace velmora {

// Larger files are refused as unreadable: a hand-written set is a few KiB,
// and a program must not exhaust its memory on a wrong path.
inline constexpr std::size_t kMaxDriveSetFileSize = 16u * 1024u * 1024u;

// path is in the system code page. Never raises except for allocation failure.
[[nodiscard]] DriveSet LoadDriveSetFile(const std::string& path);

}  // namespace velmora
