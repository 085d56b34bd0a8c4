#pragma once
// "metrics": every drive refreshed as "status" does it, with its wear
// forecast when the health watch's history holds the drive, in the
// Prometheus text format the watch also writes. Exit status 0, 3 when no
// VELMORA drive is found (the output has no series then), 4 on failure.

#include <cstdint>
#include <string>

#include "cli/StatusCommand.h"

namespace velmora::cli {

// databasePath: UTF-8; empty or without a history, no forecasts. now: the
// refresh's time, Unix seconds.
[[nodiscard]] ConsoleOutput RunMetrics(WmiSource& wmi, DeviceIo& devices, PipeSystem& pipes,
                                       const std::string& databasePath, std::int64_t now);

}  // namespace velmora::cli
