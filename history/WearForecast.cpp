#include "history/WearForecast.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "history/HistoryTime.h"

namespace velmora::history {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// 9999-12-31T00:00:00Z: the last day a date of four digits can name.
constexpr std::int64_t kLastNamedDay = 253402214400;

// The least-squares slope of y against x, or none without a spread in x.
// x is measured from the newest point, which keeps the sums small.
std::optional<double> Slope(const std::vector<double>& x, const std::vector<double>& y) {
    if (x.size() < 2) return std::nullopt;
    const double n = static_cast<double>(x.size());
    double sumX = 0, sumY = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sumX += x[i];
        sumY += y[i];
    }
    const double meanX = sumX / n, meanY = sumY / n;
    double sxy = 0, sxx = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - meanX) * (y[i] - meanY);
        sxx += (x[i] - meanX) * (x[i] - meanX);
    }
    if (sxx == 0) return std::nullopt;
    return sxy / sxx;
}

std::string DateOf(std::int64_t unixSeconds) { return UtcTimeText(unixSeconds).substr(0, 10); }

std::int64_t DayStart(std::int64_t unixSeconds) {
    const std::int64_t days = unixSeconds / kSecondsPerDay - (unixSeconds % kSecondsPerDay < 0 ? 1 : 0);
    return days * kSecondsPerDay;
}

}  // namespace

WearForecast ForecastWear(std::span<const WearPoint> points) {
    WearForecast forecast;
    if (points.empty()) {
        forecast.Reason = kNotEnoughHistory;
        return forecast;
    }
    const WearPoint& newest = *std::max_element(points.begin(), points.end(),
                                                [](const WearPoint& a, const WearPoint& b) { return a.Time < b.Time; });
    forecast.LifeMeter = newest.LifeMeter;
    const std::int64_t windowStart = newest.Time - kForecastWindowDays * kSecondsPerDay;

    std::vector<double> days, life, gbDays, gb;
    std::int64_t oldest = newest.Time;
    for (const WearPoint& point : points) {
        if (point.Time < windowStart) continue;
        oldest = std::min(oldest, point.Time);
        const double day = static_cast<double>(point.Time - newest.Time) / kSecondsPerDay;
        days.push_back(day);
        life.push_back(static_cast<double>(point.LifeMeter));
        if (point.GBWritten) {
            gbDays.push_back(day);
            gb.push_back(static_cast<double>(*point.GBWritten));
        }
    }
    forecast.Samples = static_cast<std::int64_t>(days.size());
    forecast.BasisDays = (newest.Time - oldest) / kSecondsPerDay;
    forecast.LifePerDay = Slope(days, life);
    forecast.GBWrittenPerDay = Slope(gbDays, gb);

    if (newest.LifeMeter <= 0) {
        forecast.DaysLeft = 0;
        forecast.DateLifeZero = DateOf(newest.Time);
        return forecast;
    }
    if (forecast.Samples < 2 || forecast.BasisDays < kForecastMinimumBasisDays) {
        forecast.Reason = kNotEnoughHistory;
        return forecast;
    }
    const double daysLeft =
        forecast.LifePerDay && *forecast.LifePerDay < 0 ? std::floor(newest.LifeMeter / -*forecast.LifePerDay) : -1;
    const double lastDay = static_cast<double>((kLastNamedDay - DayStart(newest.Time)) / kSecondsPerDay);
    if (daysLeft < 0 || daysLeft > lastDay) {
        forecast.Reason = kNoMeasurableWear;
        return forecast;
    }
    forecast.DaysLeft = static_cast<std::int64_t>(daysLeft);
    forecast.DateLifeZero = DateOf(DayStart(newest.Time) + *forecast.DaysLeft * kSecondsPerDay);
    return forecast;
}

}  // namespace velmora::history
