#pragma once
// How long a drive lasts at the rate it wears: the least-squares slope of
// its life meter over the last 90 days of refreshed samples, continued to
// 0 %. Firmware changes do not restart the history it uses.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace velmora::history {

// One refreshed sample with a life meter.
struct WearPoint {
    std::int64_t Time = 0;  // Unix seconds UTC
    std::int64_t LifeMeter = 0;
    std::optional<std::int64_t> GBWritten;
};

inline constexpr std::int64_t kForecastWindowDays = 90;
inline constexpr std::int64_t kForecastMinimumBasisDays = 7;
inline constexpr char kNotEnoughHistory[] = "not enough history";
inline constexpr char kNoMeasurableWear[] = "no measurable wear";

struct WearForecast {
    std::optional<std::int64_t> LifeMeter;     // the newest sample's
    std::optional<double> LifePerDay;          // negative while the drive wears
    std::optional<double> GBWrittenPerDay;
    std::optional<std::int64_t> DaysLeft;
    std::optional<std::string> DateLifeZero;  // YYYY-MM-DD, UTC
    std::int64_t BasisDays = 0;               // the span of the samples used, whole days
    std::int64_t Samples = 0;                 // how many were used
    std::optional<std::string> Reason;        // why there is no forecast
};

// points in any order. The window is the 90 days up to the newest point. A
// forecast needs 2 points spanning 7 days and a falling meter; a newest
// meter of 0 gives 0 days left on that day whatever the slope. A fall so
// slight that 0 % lies beyond the year 9999 counts as no measurable wear.
[[nodiscard]] WearForecast ForecastWear(std::span<const WearPoint> points);

}  // namespace velmora::history
