#pragma once
// Where the "Health history" chart puts things, in the pixels of the area
// the window gives it: the time axis (the stored samples, continued to the
// forecast's date within a limit), the life meter's scale 0-100 % on the
// left and the temperature's own scale on the right sharing its five
// intervals, the ticks with their labels, the samples as lines and the
// forecast as one segment. The window only draws what it is given.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/HealthHistory.h"

namespace velmora {

// Texts of the chart's legend and the name screen readers give the chart
// (UTF-8: the degree sign).
inline constexpr char kLifeMeterLegend[] = "Life meter (%)";
inline constexpr char kTemperatureLegend[] = "Temperature (\xC2\xB0" "C)";
inline constexpr char kForecastLegend[] = "Forecast";
inline constexpr char kChartName[] = "Chart of the life meter and the temperature over time";

// The value scales have this many intervals, so their ticks share the grid.
inline constexpr int kValueIntervals = 5;
// The forecast lengthens the time axis by at most the history's own span,
// so the history keeps at least half of the width.
inline constexpr std::int64_t kForecastSpanFactor = 1;

struct TimeSpan {
    std::int64_t First = 0;  // Unix seconds UTC
    std::int64_t Last = 0;
    bool operator==(const TimeSpan&) const = default;
};

// Low + kValueIntervals * Step covers every temperature.
struct TemperatureScale {
    std::int64_t Low = 0;
    std::int64_t Step = 0;
    bool operator==(const TemperatureScale&) const = default;
};

struct TimeTick {
    std::int64_t Time = 0;
    std::string Label;  // "2026-03-16", "2026-03" or "2026", by the ticks' step
    bool operator==(const TimeTick&) const = default;
};

struct ChartArea {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

struct ChartPoint {
    int X = 0, Y = 0;
    bool operator==(const ChartPoint&) const = default;
};

// A tick's pixel along its axis: x on the time axis, y on the value scales.
struct ChartTick {
    int Position = 0;
    std::string Label;  // UTF-8
    bool operator==(const ChartTick&) const = default;
};

struct ChartPlan {
    // Each line runs through samples with the value, one after another; a
    // sample without it ends the line. A line of one point is a dot.
    std::vector<std::vector<ChartPoint>> LifeLines;
    std::vector<std::vector<ChartPoint>> TemperatureLines;
    // From the newest life meter towards 0 % at the forecast's date, cut at
    // the axis's end.
    std::optional<std::array<ChartPoint, 2>> ForecastLine;
    std::vector<ChartTick> TimeTicks;
    std::vector<ChartTick> LifeTicks;         // "0 %" ... "100 %", bottom up
    std::vector<ChartTick> TemperatureTicks;  // "30 °C" ..., bottom up; empty without temperatures
};

// The oldest to the newest sample (a day around a lone one), and on to the
// forecast's date of 0 % when there is one, by kForecastSpanFactor times
// that span at most.
[[nodiscard]] TimeSpan ChartTimeSpan(std::span<const HistoryPoint> points, std::optional<std::int64_t> lifeZeroTime);

// A step of 5, 10, 20, 50 ... °C, the lowest tick a multiple of it; none
// without temperatures.
[[nodiscard]] std::optional<TemperatureScale> ChooseTemperatureScale(std::span<const HistoryPoint> points);

// Calendar-aligned ticks (UTC) inside the span, at the smallest step of 1,
// 2, 7 or 14 days, 1, 2, 3 or 6 months, or 1, 2, 5, 10 ... years that gives
// at most maxTicks.
[[nodiscard]] std::vector<TimeTick> ChooseTimeTicks(TimeSpan span, int maxTicks);

// The whole chart for history (which has a chart) in area; maxTimeTicks is
// how many date labels fit side by side.
[[nodiscard]] ChartPlan PlanChart(const HealthHistory& history, ChartArea area, int maxTimeTicks);

}  // namespace velmora
