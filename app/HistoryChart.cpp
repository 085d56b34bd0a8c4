#include "app/HistoryChart.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "history/HistoryTime.h"

namespace velmora {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// 0001-01-01T00:00:00Z and 9999-12-31T23:59:59Z: only a hand-edited
// database holds a time outside, and the chart treats it as the nearest.
constexpr std::int64_t kFirstSecond = -62135596800;
constexpr std::int64_t kLastSecond = 253402300799;
// No drive works outside these; a hand-edited value is drawn at the edge.
constexpr std::int64_t kLowestTemperature = -300;
constexpr std::int64_t kHighestTemperature = 300;
constexpr std::int64_t kFullLife = 100;
// The largest step covers the whole range above in its five intervals.
constexpr std::array<std::int64_t, 7> kTemperatureSteps = {5, 10, 20, 50, 100, 200, 500};

std::int64_t ClampTime(std::int64_t time) { return std::clamp(time, kFirstSecond, kLastSecond); }

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

// The smallest multiple of step at or above value, plus offset.
std::int64_t AlignUp(std::int64_t value, std::int64_t step, std::int64_t offset = 0) {
    return value + ((offset - value) % step + step) % step;
}

enum class Unit { Day, Month, Year };

struct TickStep {
    Unit StepUnit;
    std::int64_t Count;
};

constexpr TickStep kTickSteps[] = {
    {Unit::Day, 1},     {Unit::Day, 2},     {Unit::Day, 7},      {Unit::Day, 14},     {Unit::Month, 1},
    {Unit::Month, 2},   {Unit::Month, 3},   {Unit::Month, 6},    {Unit::Year, 1},     {Unit::Year, 2},
    {Unit::Year, 5},    {Unit::Year, 10},   {Unit::Year, 20},    {Unit::Year, 50},    {Unit::Year, 100},
    {Unit::Year, 200},  {Unit::Year, 500},  {Unit::Year, 1000},  {Unit::Year, 2000},  {Unit::Year, 5000},
};

// The first day 1970-01-01 was a Thursday: weekly ticks fall on Mondays.
constexpr std::int64_t kFirstMonday = 4;

std::int64_t MonthStart(std::int64_t monthIndex) {
    const std::chrono::year_month_day date{std::chrono::year{static_cast<int>(monthIndex / 12)},
                                           std::chrono::month{static_cast<unsigned>(monthIndex % 12 + 1)},
                                           std::chrono::day{1}};
    return std::int64_t{std::chrono::sys_days{date}.time_since_epoch().count()} * kSecondsPerDay;
}

// The index (year * 12 + month - 1) of the first month starting at or after time.
std::int64_t FirstMonthFrom(std::int64_t time) {
    const std::chrono::year_month_day date{
        std::chrono::sys_days{std::chrono::days{FloorDiv(time, kSecondsPerDay)}}};
    const std::int64_t index =
        std::int64_t{static_cast<int>(date.year())} * 12 + static_cast<unsigned>(date.month()) - 1;
    return MonthStart(index) < time ? index + 1 : index;
}

// The tick times of step inside span, or none once there are more than limit.
std::optional<std::vector<std::int64_t>> TickTimes(TimeSpan span, TickStep step, int limit) {
    std::vector<std::int64_t> times;
    const auto add = [&](std::int64_t time) {
        if (time > span.Last) return false;
        times.push_back(time);
        return true;
    };
    if (step.StepUnit == Unit::Day) {
        const std::int64_t firstDay = FloorDiv(span.First + kSecondsPerDay - 1, kSecondsPerDay);
        const std::int64_t offset = step.Count % 7 == 0 ? kFirstMonday : 0;
        for (std::int64_t day = AlignUp(firstDay, step.Count, offset); add(day * kSecondsPerDay); day += step.Count) {
            if (static_cast<int>(times.size()) > limit) return std::nullopt;
        }
    } else {
        const std::int64_t months = step.StepUnit == Unit::Month ? step.Count : 12 * step.Count;
        for (std::int64_t index = AlignUp(FirstMonthFrom(span.First), months); add(MonthStart(index)); index += months) {
            if (static_cast<int>(times.size()) > limit) return std::nullopt;
        }
    }
    if (static_cast<int>(times.size()) > limit) return std::nullopt;
    return times;
}

std::string TickLabel(std::int64_t time, Unit unit) {
    const std::size_t length = unit == Unit::Day ? 10 : unit == Unit::Month ? 7 : 4;
    return history::UtcTimeText(time).substr(0, length);
}

// Keeps a point unless it lands on the pixel of the one before.
void Extend(std::vector<ChartPoint>& line, ChartPoint point) {
    if (line.empty() || line.back() != point) line.push_back(point);
}

// Each run of samples with a value becomes one line.
template <typename Value, typename Place>
std::vector<std::vector<ChartPoint>> Lines(std::span<const HistoryPoint> points, Value value, Place place) {
    std::vector<std::vector<ChartPoint>> lines;
    std::vector<ChartPoint> line;
    for (const HistoryPoint& point : points) {
        if (const std::optional<std::int64_t> v = value(point)) {
            Extend(line, place(point.Time, *v));
        } else if (!line.empty()) {
            lines.push_back(std::move(line));
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

// The day of 0 % when the forecast has one ahead of a drive not yet at 0 %.
std::optional<std::int64_t> LifeZeroTime(const history::WearForecast& forecast) {
    if (!forecast.DaysLeft || !forecast.DateLifeZero || forecast.LifeMeter.value_or(0) <= 0) return std::nullopt;
    return history::ParseUtcDate(*forecast.DateLifeZero);
}

}  // namespace

TimeSpan ChartTimeSpan(std::span<const HistoryPoint> points, std::optional<std::int64_t> lifeZeroTime) {
    if (points.empty()) return {0, kSecondsPerDay};
    const auto [oldest, newest] = std::minmax_element(
        points.begin(), points.end(), [](const HistoryPoint& a, const HistoryPoint& b) { return a.Time < b.Time; });
    TimeSpan span{ClampTime(oldest->Time), ClampTime(newest->Time)};
    const std::int64_t newestTime = span.Last;
    if (span.Last - span.First < kSecondsPerDay) {
        span.First = span.First + (span.Last - span.First) / 2 - kSecondsPerDay / 2;
        span.Last = span.First + kSecondsPerDay;
    }
    if (lifeZeroTime && *lifeZeroTime > span.Last) {
        const std::int64_t limit = newestTime + kForecastSpanFactor * (span.Last - span.First);
        span.Last = std::min(ClampTime(*lifeZeroTime), limit);
    }
    return span;
}

std::optional<TemperatureScale> ChooseTemperatureScale(std::span<const HistoryPoint> points) {
    std::optional<std::int64_t> low, high;
    for (const HistoryPoint& point : points) {
        if (!point.Temperature) continue;
        const std::int64_t t = std::clamp(*point.Temperature, kLowestTemperature, kHighestTemperature);
        low = std::min(low.value_or(t), t);
        high = std::max(high.value_or(t), t);
    }
    if (!low) return std::nullopt;
    for (const std::int64_t step : kTemperatureSteps) {
        const std::int64_t first = FloorDiv(*low, step) * step;
        if (first + kValueIntervals * step >= *high) return TemperatureScale{first, step};
    }
    return TemperatureScale{FloorDiv(*low, kTemperatureSteps.back()) * kTemperatureSteps.back(),
                            kTemperatureSteps.back()};
}

std::vector<TimeTick> ChooseTimeTicks(TimeSpan span, int maxTicks) {
    if (maxTicks < 1) return {};
    for (const TickStep& step : kTickSteps) {
        if (const auto times = TickTimes(span, step, maxTicks)) {
            std::vector<TimeTick> ticks;
            for (const std::int64_t time : *times) ticks.push_back({time, TickLabel(time, step.StepUnit)});
            return ticks;
        }
    }
    return {};
}

ChartPlan PlanChart(const HealthHistory& history, ChartArea area, int maxTimeTicks) {
    const std::span<const HistoryPoint> points = history.Points;
    const std::optional<std::int64_t> zeroTime = LifeZeroTime(history.Forecast);
    const TimeSpan span = ChartTimeSpan(points, zeroTime);
    const std::optional<TemperatureScale> scale = ChooseTemperatureScale(points);
    const double width = area.Right - area.Left;
    const double height = area.Bottom - area.Top;

    const auto x = [&](std::int64_t time) {
        const double share = static_cast<double>(ClampTime(time) - span.First) / static_cast<double>(span.Last - span.First);
        return area.Left + static_cast<int>(std::lround(share * width));
    };
    // share: 0 at the bottom, 1 at the top.
    const auto y = [&](double share) { return area.Bottom - static_cast<int>(std::lround(share * height)); };
    const auto lifeY = [&](double life) { return y(std::clamp(life, 0.0, double(kFullLife)) / kFullLife); };

    ChartPlan plan;
    plan.LifeLines = Lines(
        points, [](const HistoryPoint& p) { return p.LifeMeter; },
        [&](std::int64_t time, std::int64_t life) { return ChartPoint{x(time), lifeY(static_cast<double>(life))}; });
    if (scale) {
        const std::int64_t top = scale->Low + kValueIntervals * scale->Step;
        plan.TemperatureLines = Lines(
            points, [](const HistoryPoint& p) { return p.Temperature; },
            [&](std::int64_t time, std::int64_t temperature) {
                const double share = static_cast<double>(std::clamp(temperature, scale->Low, top) - scale->Low) /
                                     static_cast<double>(top - scale->Low);
                return ChartPoint{x(time), y(share)};
            });
    }

    const auto newestLife = std::find_if(points.rbegin(), points.rend(),
                                         [](const HistoryPoint& p) { return p.LifeMeter.has_value(); });
    if (zeroTime && newestLife != points.rend() && *zeroTime > newestLife->Time) {
        const double life = static_cast<double>(*history.Forecast.LifeMeter);
        const std::int64_t endTime = std::min(*zeroTime, span.Last);
        const double endLife = life * static_cast<double>(*zeroTime - endTime) /
                               static_cast<double>(*zeroTime - newestLife->Time);
        plan.ForecastLine = std::array<ChartPoint, 2>{ChartPoint{x(newestLife->Time), lifeY(life)},
                                                      ChartPoint{x(endTime), lifeY(endLife)}};
    }

    for (TimeTick& tick : ChooseTimeTicks(span, maxTimeTicks)) plan.TimeTicks.push_back({x(tick.Time), std::move(tick.Label)});
    for (int i = 0; i <= kValueIntervals; ++i) {
        const int position = y(static_cast<double>(i) / kValueIntervals);
        plan.LifeTicks.push_back({position, std::to_string(i * kFullLife / kValueIntervals) + " %"});
        if (scale) plan.TemperatureTicks.push_back({position, std::to_string(scale->Low + i * scale->Step) + " \xC2\xB0" "C"});
    }
    return plan;
}

}  // namespace velmora
