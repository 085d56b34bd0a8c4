// "metrics" on the machine of one drive per firmware family, with a history
// that holds one of its drives long enough for a forecast.

#include "cli/MetricsCommand.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/CommandLine.h"
#include "common/DriveSet.h"
#include "tests/cli/SimulatedMachine.h"
#include "tests/history/HistoryFixture.h"

namespace velmora::cli {
namespace {

using history::testing::FixtureDatabase;
using history::testing::TemporaryFolder;

constexpr std::int64_t kNow = 1796749200;

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

DriveSet FamiliesSet() {
    std::ifstream file(std::string(VELMORA_TEST_DATA) + "/families.ini", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return ParseDriveSet(text.str()).Set;
}

TEST(MetricsCommand, EveryDriveRefreshedNowWithTheForecastOfTheDriveTheHistoryHolds) {
    TemporaryFolder folder;
    const std::string path = folder.File("history.db");
    {
        // 81 % twenty days ago, 80 % ten days ago: 0.1 a day, 800 days from 80.
        FixtureDatabase db(path);
        db.Exec("INSERT INTO drives VALUES(1, 'VMQ5000001', 'VELMORA R730 SSD', 'Q5', 'SATA', 256, 0, 0)");
        for (const auto& [day, meter] : {std::pair{20, 81}, std::pair{10, 80}})
            db.Exec("INSERT INTO samples(drive_id, time, refreshed, life_meter, status) VALUES(1, " +
                    std::to_string(kNow - day * 86400) + ", 1, " + std::to_string(meter) + ", 'OK')");
    }
    SimulatedMachine machine(FamiliesSet());
    const ConsoleOutput output = RunMetrics(machine.wmi, machine.devices, machine.pipes, path, kNow);

    EXPECT_EQ(output.ExitStatus, exit_status::AllOk);  // a BAD drive is a value here, not a failure
    EXPECT_EQ(Count(output.Out, "velmora_ssd_status{"), 5u * 3);
    EXPECT_EQ(Count(output.Out, "velmora_ssd_last_sample_timestamp_seconds{"), 5u);
    EXPECT_EQ(Count(output.Out, "} 1796749200\n"), 5u);
    EXPECT_EQ(Count(output.Out, "velmora_ssd_life_forecast_seconds{"), 1u);
    EXPECT_NE(output.Out.find("velmora_ssd_life_forecast_seconds{serial_number=\"VMQ5000001\",model=\"VELMORA R730 "
                              "SSD\",firmware=\"Q5RT2B1\",interface=\"SATA\"} 69120000\n"),
              std::string::npos)
        << output.Out;
}

}  // namespace
}  // namespace velmora::cli
