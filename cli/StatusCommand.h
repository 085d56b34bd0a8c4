#pragma once
// "status": the console's view of what the main window shows for every one
// of the maker's drives, as text or JSON, with an exit status scripts and
// monitoring systems can act on.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drives/DriveTable.h"
#include "drives/PipeClient.h"
#include "common/DeviceIo.h"
#include "common/WmiSource.h"

namespace velmora::cli {

struct ConsoleOutput {
    std::string Out;  // for standard output, UTF-8 for JSON
    std::string Err;  // for standard error
    int ExitStatus = 0;
};

// The window's start-up check: an empty result when the system is accepted,
// else what the console says and its exit status.
[[nodiscard]] std::optional<ConsoleOutput> RefuseUnsupportedOs(WmiSource& wmi);

// The OS check, as in the window, then the enumeration into table: what the
// console says and its exit status when either fails, else empty.
[[nodiscard]] std::optional<ConsoleOutput> ListDrives(WmiSource& wmi, DeviceIo& devices, DriveTable& table);

// Enumerates, refreshes every drive found, and describes them. The OS check
// comes first, as in the window.
[[nodiscard]] ConsoleOutput RunStatus(WmiSource& wmi, DeviceIo& devices, PipeSystem& pipes, bool json);

// The description of a table whose drives were refreshed with these results
// (one per drive, 0 = refreshed) on the system with this version prefix, and
// the matching exit status. An NVMe drive left without values on a system
// before Windows 10 is given the reason: in the text after its status, in
// JSON as an added "reason" key after "status".
[[nodiscard]] std::string DescribeStatusText(const DriveTable& table, const std::vector<int>& refreshResults,
                                             std::string_view osVersionPrefix);
[[nodiscard]] std::string DescribeStatusJson(const DriveTable& table, const std::vector<int>& refreshResults,
                                             std::string_view osVersionPrefix);
[[nodiscard]] int StatusExitCode(const DriveTable& table);

}  // namespace velmora::cli
