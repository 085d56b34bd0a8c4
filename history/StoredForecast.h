#pragma once
// A drive's wear forecast from what the history holds, read once for the
// console, the metrics and the toolbox's history window alike.

#include <cstdint>

#include "history/HistoryReader.h"
#include "history/WearForecast.h"

namespace velmora::history {

// Reads only the forecast's window: the 90 days up to the drive's newest
// refreshed sample with a life meter.
[[nodiscard]] ReadResult<WearForecast> ForecastStoredDrive(HistoryReader& reader, std::int64_t driveId);

}  // namespace velmora::history
