#include "app/HistoryChart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

constexpr std::int64_t kDay = 86400;
// 2026-03-01T00:00:00Z, a Sunday.
constexpr std::int64_t kT0 = 1772323200;
constexpr char kDegrees[] = " \xC2\xB0" "C";

std::vector<HistoryPoint> At(std::vector<std::int64_t> times) {
    std::vector<HistoryPoint> points;
    for (const std::int64_t time : times) points.push_back({time, 90, 40});
    return points;
}

std::vector<HistoryPoint> WithTemperatures(std::vector<std::int64_t> temperatures) {
    std::vector<HistoryPoint> points;
    for (const std::int64_t t : temperatures) points.push_back({kT0, 90, t});
    return points;
}

TEST(ChartTimeSpan, RunsOverTheSamplesAndOnToTheForecastByTheirSpanAtMost) {
    const struct {
        std::vector<HistoryPoint> Points;
        std::optional<std::int64_t> Zero;
        TimeSpan Span;
    } cases[] = {
        {At({kT0}), std::nullopt, {kT0 - kDay / 2, kT0 + kDay / 2}},
        {At({kT0, kT0 + 10 * kDay}), std::nullopt, {kT0, kT0 + 10 * kDay}},
        {At({kT0, kT0 + 10 * kDay}), kT0 + 5 * kDay, {kT0, kT0 + 10 * kDay}},
        {At({kT0, kT0 + 10 * kDay}), kT0 + 15 * kDay, {kT0, kT0 + 15 * kDay}},
        {At({kT0, kT0 + 10 * kDay}), kT0 + 100 * kDay, {kT0, kT0 + 20 * kDay}},
    };
    for (const auto& c : cases) EXPECT_EQ(ChartTimeSpan(c.Points, c.Zero), c.Span) << c.Span.Last - kT0;
}

TEST(ChooseTemperatureScale, TakesTheSmallestStepWhoseFiveIntervalsCoverTheTemperatures) {
    const struct {
        std::vector<std::int64_t> Temperatures;
        TemperatureScale Scale;
    } cases[] = {
        {{33, 42}, {30, 5}},
        {{35}, {35, 5}},
        {{20, 46}, {20, 10}},
        {{-5, 80}, {-20, 20}},
    };
    for (const auto& c : cases) EXPECT_EQ(ChooseTemperatureScale(WithTemperatures(c.Temperatures)), c.Scale);
    const std::vector<HistoryPoint> none = {{kT0, 90, std::nullopt}};
    EXPECT_EQ(ChooseTemperatureScale(none), std::nullopt);
}

TEST(ChooseTimeTicks, TakesTheSmallestCalendarStepThatFitsAndLabelsItsDates) {
    const auto labels = [](TimeSpan span, int maxTicks) {
        std::vector<std::string> texts;
        for (const TimeTick& tick : ChooseTimeTicks(span, maxTicks)) texts.push_back(tick.Label);
        return texts;
    };
    const std::int64_t morning = kT0 + 6 * 3600;
    const struct {
        TimeSpan Span;
        int MaxTicks;
        std::vector<std::string> Labels;
    } cases[] = {
        {{morning, morning + 10 * kDay}, 6, {"2026-03-02", "2026-03-04", "2026-03-06", "2026-03-08", "2026-03-10"}},
        // Weeks start on Mondays.
        {{morning, morning + 30 * kDay}, 6, {"2026-03-02", "2026-03-09", "2026-03-16", "2026-03-23", "2026-03-30"}},
        {{morning - 90 * kDay, morning}, 4, {"2026-01", "2026-02", "2026-03"}},
        {{kT0, kT0 + 7 * 365 * kDay}, 6, {"2028", "2030", "2032"}},
        {{kT0, kT0 + kDay}, 0, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(labels(c.Span, c.MaxTicks), c.Labels) << c.MaxTicks;
}

// 100 by 100 pixels from (10, 0); four days of samples with a failed read
// on the second day, temperatures 30 to 55 (a 5 °C step from 30).
HealthHistory FourDays(const char* dateLifeZero) {
    HealthHistory history;
    history.HasChart = true;
    history.Points = {{kT0, 100, 30},
                      {kT0 + kDay, std::nullopt, std::nullopt},
                      {kT0 + 2 * kDay, 50, 55},
                      {kT0 + 4 * kDay - 10, 50, 40},
                      {kT0 + 4 * kDay, 50, 40}};
    history.Forecast.LifeMeter = 50;
    history.Forecast.DaysLeft = 1;
    history.Forecast.DateLifeZero = dateLifeZero;
    return history;
}

constexpr ChartArea kArea{10, 0, 110, 100};

TEST(PlanChart, PlacesTheSamplesTheForecastAndTheTicksOnTheArea) {
    // 0 % on 2026-03-09: the axis runs 8 days, 12.5 pixels a day.
    const ChartPlan plan = PlanChart(FourDays("2026-03-09"), kArea, 3);

    using Line = std::vector<ChartPoint>;
    // The failed read breaks the lines; the sample 10 s before the last shares its pixel.
    EXPECT_EQ(plan.LifeLines, (std::vector<Line>{{{10, 0}}, {{35, 50}, {60, 50}}}));
    EXPECT_EQ(plan.TemperatureLines, (std::vector<Line>{{{10, 100}}, {{35, 0}, {60, 60}}}));
    ASSERT_TRUE(plan.ForecastLine);
    EXPECT_EQ((*plan.ForecastLine)[0], (ChartPoint{60, 50}));
    EXPECT_EQ((*plan.ForecastLine)[1], (ChartPoint{110, 100}));
    // Mondays.
    EXPECT_EQ(plan.TimeTicks, (std::vector<ChartTick>{{23, "2026-03-02"}, {110, "2026-03-09"}}));
    EXPECT_EQ(plan.LifeTicks, (std::vector<ChartTick>{
                                  {100, "0 %"}, {80, "20 %"}, {60, "40 %"}, {40, "60 %"}, {20, "80 %"}, {0, "100 %"}}));
    const std::string c = kDegrees;
    EXPECT_EQ(plan.TemperatureTicks, (std::vector<ChartTick>{{100, "30" + c},
                                                             {80, "35" + c},
                                                             {60, "40" + c},
                                                             {40, "45" + c},
                                                             {20, "50" + c},
                                                             {0, "55" + c}}));
}

TEST(PlanChart, AForecastBeyondTheAxisIsCutAtItsEnd) {
    // 0 % on 2026-03-21, 16 days after the newest sample: the axis stops 4
    // days after it, where the fall has come to three quarters of 50 %.
    const ChartPlan plan = PlanChart(FourDays("2026-03-21"), kArea, 3);
    ASSERT_TRUE(plan.ForecastLine);
    EXPECT_EQ((*plan.ForecastLine)[0], (ChartPoint{60, 50}));
    EXPECT_EQ((*plan.ForecastLine)[1], (ChartPoint{110, 62}));
}

TEST(PlanChart, DrawsNoForecastLineWithoutAForecastOrAtZero) {
    HealthHistory none = FourDays("2026-03-09");
    none.Forecast = {};
    none.Forecast.Reason = history::kNotEnoughHistory;
    HealthHistory worn = FourDays("2026-03-05");
    worn.Forecast.LifeMeter = 0;
    worn.Forecast.DaysLeft = 0;
    for (const HealthHistory& history : {none, worn}) EXPECT_FALSE(PlanChart(history, kArea, 3).ForecastLine);
}

}  // namespace
}  // namespace velmora
