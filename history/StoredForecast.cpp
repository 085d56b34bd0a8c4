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
        const auto visited = reader.VisitSamples(driveId, *newest.Value - kForecastWindowDays * 86400,
                                                 [&](const SampleRow& sample) {
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

}  // namespace velmora::history
