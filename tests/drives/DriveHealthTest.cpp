#include "drives/DriveHealth.h"

#include <gtest/gtest.h>

#include <limits>

namespace velmora {
namespace {

TEST(DriveStatus, FollowsValidityThenTemperatureThenHealth) {
    const struct {
        std::uint8_t SmartValid, OverTemperature, Healthy;
        HealthStatus Expected;
    } cases[] = {
        {0, 0, 1, HealthStatus::UNKNOWN}, {0, 1, 0, HealthStatus::UNKNOWN}, {1, 1, 1, HealthStatus::UNKNOWN},
        {1, 1, 0, HealthStatus::UNKNOWN}, {1, 0, 1, HealthStatus::OK},      {1, 0, 0, HealthStatus::BAD},
    };
    for (const auto& c : cases) {
        DriveInfo drive;
        drive.SmartValid = c.SmartValid;
        drive.OverTemperature = c.OverTemperature;
        drive.Healthy = c.Healthy;
        EXPECT_EQ(DriveStatus(drive), c.Expected) << int(c.SmartValid) << int(c.OverTemperature) << int(c.Healthy);
    }
}

TEST(LifeMeterValue, UsesLifeThenEraseCountAndStaysOnTheScale) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const struct {
        const char* Name;
        std::int32_t LifePercent, AvgEraseCount, Expected;
    } cases[] = {
        {"erase 1500", -1, 1500, 50},
        {"erase 29", -1, 29, 100},
        {"erase 31", -1, 31, 99},
        {"erase 3000", -1, 3000, 0},
        {"erase 4500", -1, 4500, 0},
        {"erase 0", -1, 0, 100},
        {"nothing known", -1, -1, 0},
        {"huge erase count", -1, kMax, 0},
        {"erase count 30 million", -1, 30000000, 0},
        {"corrupt negative erase count", -1, kMin, 100},
        {"life wins over erase count", 73, 1500, 73},
        {"life zero", 0, 10, 0},
        {"corrupt life above 100", 250, -1, 100},
        {"corrupt negative life", -7, -1, 0},
    };
    for (const auto& c : cases) {
        DriveInfo drive;
        drive.LifePercent = c.LifePercent;
        drive.AvgEraseCount = c.AvgEraseCount;
        EXPECT_EQ(LifeMeterValue(drive), c.Expected) << c.Name;
    }
}

}  // namespace
}  // namespace velmora
