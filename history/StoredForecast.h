#pragma once
// A drive's wear forecast from what the history holds, read once for the
// console, the metrics and the toolbox's history window alike.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "history/HistoryReader.h"
#include "history/HistoryRecords.h"
#include "history/WearForecast.h"

namespace velmora::history {

// Reads only the forecast's window: the 90 days up to the drive's newest
// refreshed sample with a life meter.
[[nodiscard]] ReadResult<WearForecast> ForecastStoredDrive(HistoryReader& reader, std::int64_t driveId);

// Each drive's forecast, the drive found by serial number and model; empty
// for a drive the history does not hold, or when it cannot be read (the
// callers show the drives' state without a forecast then).
[[nodiscard]] std::vector<std::optional<WearForecast>> ForecastDrives(HistoryReader& reader,
                                                                      std::span<const DriveIdentity> drives);

}  // namespace velmora::history
