#include "history/StoredForecast.h"

#include <vector>

namespace velmora::history {

ReadResult<WearForecast> ForecastStoredDrive(HistoryReader& reader, std::int64_t driveId) {
    ReadResult<WearForecast> result;
    const auto newest = reader.NewestWearTime(driveId);
    if (!newest.Ok()) {
        result.Error = newest.Error;
        return result;
    }
    std::vector<WearPoint> points;
    if (newest.Value) {
        const auto visited =
            reader.VisitSamples(driveId, *newest.Value - kForecastWindowDays * 86400, [&](const SampleRow& sample) {
                if (sample.Refreshed.value_or(false) && sample.LifeMeter)
                    points.push_back({sample.Time, *sample.LifeMeter, sample.GBWritten});
            });
        if (!visited.Ok()) {
            result.Error = visited.Error;
            return result;
        }
    }
    result.Value = ForecastWear(points);
    return result;
}

std::vector<std::optional<WearForecast>> ForecastDrives(HistoryReader& reader, std::span<const DriveIdentity> drives) {
    std::vector<std::optional<WearForecast>> forecasts(drives.size());
    if (reader.Outcome() != OpenOutcome::Opened) return forecasts;
    const auto rows = reader.Drives();
    if (!rows.Ok()) return forecasts;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        for (const DriveRow& row : rows.Value) {
            if (row.SerialNumber != drives[i].SerialNumber || row.Model != drives[i].Model) continue;
            auto forecast = ForecastStoredDrive(reader, row.Id);
            if (forecast.Ok()) forecasts[i] = std::move(forecast.Value);
            break;
        }
    }
    return forecasts;
}

}  // namespace velmora::history
