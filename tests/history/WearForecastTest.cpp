#include "history/WearForecast.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora::history {
namespace {

// 2026-12-08T00:00:00Z, and a time of day so that dates are not read off
// the day boundary by accident.
constexpr std::int64_t kDay0 = 1796688000 + 17 * 3600;

WearPoint At(double day, std::int64_t life, std::optional<std::int64_t> gb = std::nullopt) {
    return {kDay0 + static_cast<std::int64_t>(day * 86400), life, gb};
}

TEST(WearForecast, HistoriesWorkedOutByHand) {
    struct Case {
        const char* Name;
        std::vector<WearPoint> Points;
        std::optional<double> LifePerDay;
        std::optional<std::int64_t> DaysLeft;
        std::optional<std::string> Date;
        std::int64_t BasisDays;
        std::int64_t Samples;
        std::optional<std::string> Reason;
    };
    const Case cases[] = {
        // -0.1 a day from 98: 980 days after 2026-12-28.
        {"falling", {At(0, 100), At(10, 99), At(20, 98)}, -0.1, 980, "2029-09-03", 20, 3, std::nullopt},
        // x from the newest -21,-14,-7,0 and y 100,98,99,97: slope -28/245; 97/(28/245) = 848.75.
        {"noisy", {At(0, 100), At(7, 98), At(14, 99), At(21, 97)}, -28.0 / 245.0, 848, "2029-04-25", 21, 4,
         std::nullopt},
        // Two samples 60 days apart: -6/60 a day, 940 days from 94.
        {"gap", {At(0, 100), At(60, 94)}, -0.1, 940, "2029-09-03", 60, 2, std::nullopt},
        {"flat", {At(0, 90), At(30, 90)}, 0.0, std::nullopt, std::nullopt, 30, 2, kNoMeasurableWear},
        {"rising", {At(0, 90), At(30, 91)}, 1.0 / 30.0, std::nullopt, std::nullopt, 30, 2, kNoMeasurableWear},
        // A hand-edited meter so high that 0 % lies past the year 9999 at
        // this rate: no date can name it.
        {"too slight to name a date", {At(0, 9000000001), At(90, 9000000000)}, -1.0 / 90.0, std::nullopt,
         std::nullopt, 90, 2, kNoMeasurableWear},
        {"under 7 days", {At(0, 100), At(6.9, 90)}, -10.0 / 6.9, std::nullopt, std::nullopt, 6, 2, kNotEnoughHistory},
        {"one sample", {At(0, 100)}, std::nullopt, std::nullopt, std::nullopt, 0, 1, kNotEnoughHistory},
        {"no samples", {}, std::nullopt, std::nullopt, std::nullopt, 0, 0, kNotEnoughHistory},
        // Only the 90 days up to the newest sample count: the early fall is
        // outside, the window is flat.
        {"older than the window", {At(0, 100), At(100, 90), At(150, 90), At(190, 90)}, 0.0, std::nullopt,
         std::nullopt, 90, 3, kNoMeasurableWear},
        // At 0 % the answer is "now", whatever the slope or the history.
        {"at zero", {At(0, 0)}, std::nullopt, 0, "2026-12-08", 0, 1, std::nullopt},
        {"at zero after a rise", {At(0, 0), At(10, 5), At(20, 0)}, 0.0, 0, "2026-12-28", 20, 3, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const WearForecast forecast = ForecastWear(c.Points);
        ASSERT_EQ(forecast.LifePerDay.has_value(), c.LifePerDay.has_value());
        if (c.LifePerDay) {
            EXPECT_NEAR(*forecast.LifePerDay, *c.LifePerDay, 1e-12);
        }
        EXPECT_EQ(forecast.DaysLeft, c.DaysLeft);
        EXPECT_EQ(forecast.DateLifeZero, c.Date);
        EXPECT_EQ(forecast.BasisDays, c.BasisDays);
        EXPECT_EQ(forecast.Samples, c.Samples);
        EXPECT_EQ(forecast.Reason, c.Reason);
    }
}

TEST(WearForecast, WrittenDataHasItsOwnSlopeOverTheSamplesThatReportIt) {
    const std::vector<WearPoint> points{At(0, 100, 1000), At(5, 100), At(10, 99, 1100), At(20, 98, 1200)};
    const WearForecast forecast = ForecastWear(points);
    ASSERT_TRUE(forecast.GBWrittenPerDay);
    EXPECT_NEAR(*forecast.GBWrittenPerDay, 10.0, 1e-12);
    EXPECT_EQ(forecast.LifeMeter, 98);
    // Order does not matter: the newest is found, not assumed.
    const std::vector<WearPoint> shuffled{points[3], points[0], points[2], points[1]};
    EXPECT_EQ(ForecastWear(shuffled).DaysLeft, ForecastWear(points).DaysLeft);
}

}  // namespace
}  // namespace velmora::history
