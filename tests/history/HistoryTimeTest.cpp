#include "history/HistoryTime.h"

#include <gtest/gtest.h>

namespace velmora::history {
namespace {

TEST(HistoryTime, WritesUtcCalendarTimesAndOutOfRangeTimesAsNumbers) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "1970-01-01T00:00:00Z"},
        {1796749200, "2026-12-08T17:00:00Z"},
        {1709164800 + 86399, "2024-02-29T23:59:59Z"},
        {-1, "1969-12-31T23:59:59Z"},
        {-62135596800, "0001-01-01T00:00:00Z"},
        {253402300799, "9999-12-31T23:59:59Z"},
        {253402300800, "253402300800"},
        {-62135596801, "-62135596801"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(UtcTimeText(seconds), text) << seconds;
}

TEST(HistoryTime, ReadsRealCalendarDaysOnly) {
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"2026-12-08", 1796688000},   {"2024-02-29", 1709164800},   {"1970-01-01", 0},
        {"2023-02-29", std::nullopt}, {"2026-13-01", std::nullopt}, {"2026-04-31", std::nullopt},
        {"0000-01-01", std::nullopt}, {"2026-1-08", std::nullopt},  {"2026-12-08T00", std::nullopt},
        {"2026/12/08", std::nullopt}, {"2026-+1-08", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [text, seconds] : cases) EXPECT_EQ(ParseUtcDate(text), seconds) << text;
}

}  // namespace
}  // namespace velmora::history
