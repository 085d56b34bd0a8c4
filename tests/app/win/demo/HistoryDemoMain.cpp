// Writes the history the pictures of the "Health history" window show
// (scripts/screenshot.sh) into this prefix's history database: half a year
// of the example's first drive, sampled every six hours, ending with the
// life meter the example gives it (95 %); a week without samples while the
// computer was off and one failed read. Exit status 0 when it was written.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

#include "tests/app/win/gui/HistorySeed.h"

namespace {

// 2026-11-30T18:00:00Z, the newest sample.
constexpr std::int64_t kNewest = 1796061600;
constexpr int kDays = 180;
constexpr int kSamplesPerDay = 4;
constexpr int kOffFirstDay = 61;
constexpr int kOffLastDay = 67;
constexpr int kFailedReadSample = 120 * kSamplesPerDay + 2;

std::vector<velmora::history::RunRecord> DemoRuns() {
    std::vector<velmora::history::RunRecord> runs;
    const int samples = kDays * kSamplesPerDay;
    for (int i = 0; i <= samples; ++i) {
        const int day = i / kSamplesPerDay;
        if (day >= kOffFirstDay && day <= kOffLastDay) continue;
        const std::int64_t time = kNewest - static_cast<std::int64_t>(samples - i) * 86400 / kSamplesPerDay;
        if (i == kFailedReadSample) {
            runs.push_back(velmora::testing::ExampleRun(time, std::nullopt));
            continue;
        }
        // 100 % wearing to 95 %; warmer in the afternoon and on busy weeks.
        const std::int64_t life = 100 - 5 * i / samples;
        const double hour = 2 * std::numbers::pi * (i % kSamplesPerDay) / kSamplesPerDay;
        const double week = 2 * std::numbers::pi * day / 17.0;
        const auto temperature = static_cast<std::int64_t>(std::lround(36 + std::sin(hour) + 2.5 * std::sin(week)));
        runs.push_back(velmora::testing::ExampleRun(time, life, temperature));
    }
    return runs;
}

}  // namespace

int main() {
    if (!velmora::testing::WriteHistory(DemoRuns())) {
        std::fprintf(stderr, "the demo history could not be written\n");
        return 1;
    }
    std::printf("%s\n", velmora::win::HistoryDatabasePath().c_str());
    return 0;
}
