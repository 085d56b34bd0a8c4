#pragma once
// What the toolbox's "Health history" window shows for the drive of the
// main window: the samples the health watch stored for it, its wear
// forecast and the sentence under the chart, or one message alone when
// there is nothing to chart. The history is only read, never written.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "drives/DriveTable.h"
#include "history/WearForecast.h"

namespace velmora {

// The menu item's text without its "&", and the window's caption without a drive.
inline constexpr char kHealthHistoryCaption[] = "Health history";

// One stored sample's values; empty where the sample has none, as after a
// read of the drive that failed.
struct HistoryPoint {
    std::int64_t Time = 0;  // Unix seconds UTC
    std::optional<std::int64_t> LifeMeter;
    std::optional<std::int64_t> Temperature;
};

struct HealthHistory {
    // The sentence under the chart or, without a chart, the message shown
    // instead of it; system code page.
    std::string Text;
    bool HasChart = false;
    std::vector<HistoryPoint> Points;  // oldest first; not empty with a chart
    history::WearForecast Forecast;
};

// "Health history: <model> (serial number <serial>)"; system code page.
[[nodiscard]] std::string HealthHistoryCaption(const DriveInfo* drive);

// The sentence about the forecast: when the life meter reaches 0 % at the
// current rate, that it has, or why there is no forecast.
[[nodiscard]] std::string ForecastSentence(const history::WearForecast& forecast);

// "about 4 years", "about 3 months", "about 1 day", "within a day": years
// from two years up, months from two months up, else days.
[[nodiscard]] std::string ApproximateDuration(std::int64_t days);

// databasePath and the drive's texts in the system code page, as the
// program and the drive table hold them. Of the history's rows with the
// drive's serial number the one of its model is taken, else the first.
// Without a drive, a database, rows for the drive or a readable history the
// result is a message alone.
[[nodiscard]] HealthHistory ReadHealthHistory(const std::string& databasePath, const DriveInfo* drive);

}  // namespace velmora
