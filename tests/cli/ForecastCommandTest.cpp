#include "cli/ForecastCommand.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/CommandLine.h"
#include "tests/history/HistoryFixture.h"

namespace velmora::cli {
namespace {

using history::testing::FixtureDatabase;
using history::testing::TemporaryFolder;

// 2026-12-08T17:00:00Z.
constexpr std::int64_t kT0 = 1796749200;

std::string Sample(int drive, int day, const char* refreshed, const char* life, const char* gb) {
    return "INSERT INTO samples(drive_id, time, refreshed, life_meter, gb_written, status) VALUES(" +
           std::to_string(drive) + ", " + std::to_string(kT0 + day * 86400) + ", " + refreshed + ", " + life + ", " +
           gb + ", 'OK')";
}

TEST(ForecastCommand, EachDriveGetsItsForecastOrItsReasonFromTheStoredSamples) {
    TemporaryFolder folder;
    const std::string path = folder.File("history.db");
    {
        FixtureDatabase db(path);
        db.Exec("INSERT INTO drives VALUES(1, 'VM1', 'VELMORA R730 SSD', 'Q5RT2B1', 'SATA', 256, 0, 0)");
        db.Exec("INSERT INTO drives VALUES(2, 'VM2', 'VELMORA LP520 NVMe SSD', 'N2RT1A05', 'NVMe', 512, 0, 0)");
        // Drive 1 wears 0.1 a day; a failed refresh and a sample without a
        // meter are not part of the fit.
        db.Exec(Sample(1, 0, "1", "100", "1000"));
        db.Exec(Sample(1, 5, "0", "NULL", "NULL"));
        db.Exec(Sample(1, 7, "1", "NULL", "1070"));
        db.Exec(Sample(1, 10, "1", "99", "1100"));
        db.Exec(Sample(1, 20, "1", "98", "1200"));
        // Drive 2 has three days of history only.
        db.Exec(Sample(2, 17, "1", "97", "4500"));
        db.Exec(Sample(2, 20, "1", "97", "4510"));
    }
    const ConsoleOutput json = RunForecast(path, true);
    EXPECT_EQ(json.ExitStatus, exit_status::AllOk);
    EXPECT_EQ(json.Out,
              "{\"drives\": [{\"serial_number\": \"VM1\", \"model\": \"VELMORA R730 SSD\", \"life_meter\": 98, "
              "\"life_per_day\": -0.1, \"gb_written_per_day\": 10, \"days_left\": 980, \"date_life_zero\": "
              "\"2029-09-03\", \"basis_days\": 20, \"samples\": 3, \"reason\": null}, "
              "{\"serial_number\": \"VM2\", \"model\": \"VELMORA LP520 NVMe SSD\", \"life_meter\": 97, "
              "\"life_per_day\": 0, \"gb_written_per_day\": 3.3333333333333335, \"days_left\": null, "
              "\"date_life_zero\": null, \"basis_days\": 3, \"samples\": 2, \"reason\": \"not enough history\"}]}\n");
    const ConsoleOutput text = RunForecast(path, false);
    EXPECT_EQ(text.Out,
              "VELMORA R730 SSD (serial number VM1): life meter 98 %, reaches 0 % around 2029-09-03 (in 980 days; 3 "
              "samples over 20 days)\n"
              "VELMORA LP520 NVMe SSD (serial number VM2): no forecast, not enough history\n");
}

TEST(ForecastCommand, NoDatabaseIsNoHistoryYet) {
    TemporaryFolder folder;
    const ConsoleOutput output = RunForecast(folder.File("history.db"), true);
    EXPECT_EQ(output.ExitStatus, exit_status::NoDrive);
    EXPECT_EQ(output.Err, "No history yet: is the SMART_VELMORA_WATCH service running?\n");
}

}  // namespace
}  // namespace velmora::cli
