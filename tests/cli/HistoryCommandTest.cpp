#include "cli/HistoryCommand.h"

#include <gtest/gtest.h>

#include <fstream>

#include "cli/CommandLine.h"
#include "tests/history/HistoryFixture.h"

namespace velmora::cli {
namespace {

using history::testing::FixtureDatabase;
using history::testing::TemporaryFolder;

constexpr std::int64_t kDecember8 = 1796688000;  // 2026-12-08T00:00:00Z

class HistoryCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        FixtureDatabase db(path);
        // The second drive's model is not valid UTF-8 (0xFF), as only a damaged or hand-edited file holds.
        db.Exec(
            "INSERT INTO drives VALUES(1,'VMQ5000001','VELMORA R730 SSD','Q5RT2B1','SATA',256,0,0),"
            "(2,'VMQC000002',CAST(X'56454C4D4F5241FF' AS TEXT),NULL,'NVMe',128,0,0)");
        db.Exec(
            "INSERT INTO samples VALUES(1,1796749200,1,100,10,40,600,5,41,0,80,'OK'),"
            "(1,1796752800,0,NULL,NULL,NULL,NULL,NULL,NULL,0,NULL,'UNKNOWN'),"
            "(2,1796662800,1,7,2,1,1,3,75,1,96,'BAD')");
        db.Exec(
            "INSERT INTO events VALUES(1,1796662800,1005,2,'Drive found'),"
            "(2,1796749200,1000,NULL,'The health watch started'),"
            "(3,1796752800,1002,1,'VMQ5000001 is \"UNKNOWN\"')");
    }

    TemporaryFolder folder;
    std::string path = folder.File("history.db");
};

TEST_F(HistoryCommandTest, JsonHoldsEveryDriveItsSamplesAndTheEventsWithNullsAndValidUtf8) {
    const ConsoleOutput output = RunHistory(path, {true, std::nullopt});
    EXPECT_EQ(output.ExitStatus, exit_status::AllOk);
    EXPECT_EQ(output.Err, "");
    EXPECT_EQ(
        output.Out,
        "{\"drives\": ["
        "{\"serial_number\": \"VMQ5000001\", \"model\": \"VELMORA R730 SSD\", \"firmware\": \"Q5RT2B1\", "
        "\"interface\": \"SATA\", \"capacity_gb\": 256, \"samples\": ["
        "{\"time\": \"2026-12-08T17:00:00Z\", \"refreshed\": true, \"power_on_hours\": 100, \"power_cycles\": 10, "
        "\"max_erase_count\": 40, \"avg_erase_count\": 600, \"gb_written\": 5, \"temperature\": 41, "
        "\"over_temperature\": false, \"life_meter\": 80, \"status\": \"OK\"}, "
        "{\"time\": \"2026-12-08T18:00:00Z\", \"refreshed\": false, \"power_on_hours\": null, \"power_cycles\": null, "
        "\"max_erase_count\": null, \"avg_erase_count\": null, \"gb_written\": null, \"temperature\": null, "
        "\"over_temperature\": false, \"life_meter\": null, \"status\": \"UNKNOWN\"}]}, "
        "{\"serial_number\": \"VMQC000002\", \"model\": \"VELMORA\xEF\xBF\xBD\", \"firmware\": null, "
        "\"interface\": \"NVMe\", \"capacity_gb\": 128, \"samples\": ["
        "{\"time\": \"2026-12-07T17:00:00Z\", \"refreshed\": true, \"power_on_hours\": 7, \"power_cycles\": 2, "
        "\"max_erase_count\": 1, \"avg_erase_count\": 1, \"gb_written\": 3, \"temperature\": 75, "
        "\"over_temperature\": true, \"life_meter\": 96, \"status\": \"BAD\"}]}], "
        "\"events\": ["
        "{\"time\": \"2026-12-07T17:00:00Z\", \"event_id\": 1005, \"serial_number\": \"VMQC000002\", "
        "\"message\": \"Drive found\"}, "
        "{\"time\": \"2026-12-08T17:00:00Z\", \"event_id\": 1000, \"serial_number\": null, "
        "\"message\": \"The health watch started\"}, "
        "{\"time\": \"2026-12-08T18:00:00Z\", \"event_id\": 1002, \"serial_number\": \"VMQ5000001\", "
        "\"message\": \"VMQ5000001 is \\\"UNKNOWN\\\"\"}]}\n");
}

TEST_F(HistoryCommandTest, OneDriveAndADayKeepOnlyThatDrivesRowsFromThatDayOn) {
    const ConsoleOutput output = RunHistory(path, {true, "VMQC000002", kDecember8});
    EXPECT_EQ(output.ExitStatus, exit_status::AllOk);
    EXPECT_EQ(
        output.Out,
        "{\"drives\": [{\"serial_number\": \"VMQC000002\", \"model\": \"VELMORA\xEF\xBF\xBD\", \"firmware\": null, "
        "\"interface\": \"NVMe\", \"capacity_gb\": 128, \"samples\": []}], \"events\": []}\n");
}

TEST_F(HistoryCommandTest, TextShowsATablePerDriveWithItsEventsThenTheWatchsOwn) {
    const ConsoleOutput output = RunHistory(path, {false, std::nullopt, kDecember8});
    EXPECT_EQ(output.ExitStatus, exit_status::AllOk);
    EXPECT_EQ(output.Out,
              "VELMORA R730 SSD, serial number VMQ5000001, firmware Q5RT2B1, SATA, 256 GB\n"
              "  Time (UTC)            Refreshed  Power on hours  Cycles    Max. erase  Avg. erase  GiB written  "
              "Temperature  Over temp.  Life  Status\n"
              "  2026-12-08T17:00:00Z  yes        100             10        40          600         5            "
              "41           no          80    OK\n"
              "  2026-12-08T18:00:00Z  no         -               -         -           -           -            "
              "-            no          -     UNKNOWN\n"
              "  Events:\n"
              "  2026-12-08T18:00:00Z  1002  VMQ5000001 is \"UNKNOWN\"\n"
              "\n"
              "VELMORA?, serial number VMQC000002, firmware -, NVMe, 128 GB\n"
              "  Time (UTC)            Refreshed  Power on hours  Cycles    Max. erase  Avg. erase  GiB written  "
              "Temperature  Over temp.  Life  Status\n"
              "  (no samples)\n"
              "\n"
              "Health watch\n"
              "  Events:\n"
              "  2026-12-08T17:00:00Z  1000  The health watch started\n");
    EXPECT_EQ(RunHistory(path, {false, "VMQ0000000"}).Out, "No drive with serial number VMQ0000000 in the history.\n");
}

TEST_F(HistoryCommandTest, MissingOrUnreadableHistoryEndsWithItsOwnStatusAndText) {
    std::ofstream(folder.File("damaged.db")) << std::string(4096, 'x');
    struct Case {
        std::string Path;
        int ExitStatus;
        std::string Err;
    };
    const Case cases[] = {
        {folder.File("absent.db"), exit_status::NoDrive,
         "No history yet: is the SMART_VELMORA_WATCH service running?\n"},
        {folder.File("damaged.db"), exit_status::Failure,
         "Cannot read the history " + folder.File("damaged.db") + ": file is not a database\n"},
    };
    for (const Case& c : cases) {
        for (const bool json : {false, true}) {
            const ConsoleOutput output = RunHistory(c.Path, {json, std::nullopt});
            EXPECT_EQ(output.ExitStatus, c.ExitStatus) << c.Path;
            EXPECT_EQ(output.Err, c.Err);
            EXPECT_EQ(output.Out, "");
        }
    }
}

}  // namespace
}  // namespace velmora::cli
