#include "history/KnownDrives.h"

#include <gtest/gtest.h>

namespace velmora::history {
namespace {

// A life meter counts only when the drive gave health data with it: a
// refreshed drive without any shows 0, which says nothing about its wear.
TEST(KnownLifeMeter, CountsOnlyAMeterThatCameWithHealthData) {
    const struct {
        const char* Name;
        bool Refreshed;
        const char* Status;
        bool OverTemperature;
        std::optional<std::int64_t> Expected;
    } cases[] = {
        {"OK", true, "OK", false, 42},
        {"BAD", true, "BAD", false, 42},
        {"over temperature", true, "UNKNOWN", true, 42},
        {"no health data", true, "UNKNOWN", false, std::nullopt},
        {"refresh failed", false, "UNKNOWN", false, std::nullopt},
    };
    for (const auto& c : cases) {
        SampleValues values;
        values.Refreshed = c.Refreshed;
        values.Status = c.Status;
        values.OverTemperature = c.OverTemperature;
        values.LifeMeter = 42;
        EXPECT_EQ(KnownLifeMeter(values), c.Expected) << c.Name;
    }
}

}  // namespace
}  // namespace velmora::history
