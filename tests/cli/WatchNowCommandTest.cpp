#include "cli/WatchNowCommand.h"

#include <gtest/gtest.h>

#include <fstream>

#include "cli/CommandLine.h"
#include "tests/fakes/FakeWatchNow.h"
#include "tests/history/HistoryFixture.h"

namespace velmora::cli {
namespace {

using history::testing::FixtureDatabase;
using history::testing::TemporaryFolder;

constexpr std::int64_t kAsked = 1796749200;  // the fake clock's start, 2026-12-08T17:00:00Z

class WatchNowCommandTest : public ::testing::Test {
protected:
    void SetUp() override { clock.UnixStart = kAsked, clock.Ms = 0; }

    // The watch's run, stored in the history before the request or during the wait.
    void StoreRun(const std::string& values) {
        FixtureDatabase(path).Exec("INSERT INTO runs(started, finished, reason, drives, error) VALUES(" + values + ")");
    }
    static std::string At(std::int64_t offset) { return std::to_string(kAsked + offset); }

    TemporaryFolder folder;
    std::string path = folder.File("history.db");
    fakes::FakeWatchControl control;
    fakes::FakeWatchNowClock clock;
};

TEST_F(WatchNowCommandTest, StoredSampleEndsWithZeroAndSaysWhenAndForHowManyDrives) {
    // The first sample ever: the file appears while the console waits.
    clock.OnSleep = [&] {
        if (clock.Sleeps.size() == 3) StoreRun(At(0) + "," + At(2) + ",'request',3,NULL");
    };
    const ConsoleOutput output = RunWatchNow(control, clock, path);
    EXPECT_EQ(output.ExitStatus, exit_status::AllOk) << output.Err;
    EXPECT_EQ(output.Out, "The health watch stored a sample at 2026-12-08T17:00:02Z for 3 drives.\n");
    EXPECT_EQ(control.Sent, 1);
    EXPECT_EQ(clock.Sleeps, (std::vector<std::uint32_t>{250, 250, 250}));
}

TEST_F(WatchNowCommandTest, OnlyAFinishedRequestRunStartedLessThanTenSecondsBeforeCounts) {
    struct Case {
        std::string Run;
        bool Counts;
    };
    const Case cases[] = {
        {At(-9) + "," + At(-8) + ",'request',1,NULL", true},  // shared with a request just before
        {At(-10) + "," + At(-8) + ",'request',1,NULL", false},
        {At(1) + "," + At(2) + ",'interval',1,NULL", false},
        {At(1) + ",NULL,'request',NULL,NULL", false},
    };
    for (const Case& c : cases) {
        TemporaryFolder own;
        path = own.File("history.db");
        StoreRun(c.Run);
        clock.Ms = 0;
        clock.Sleeps.clear();
        const ConsoleOutput output = RunWatchNow(control, clock, path);
        if (c.Counts) {
            EXPECT_EQ(output.ExitStatus, exit_status::AllOk) << c.Run;
            EXPECT_EQ(output.Out, "The health watch stored a sample at 2026-12-08T16:59:52Z for 1 drive.\n");
            EXPECT_TRUE(clock.Sleeps.empty());
        } else {
            EXPECT_EQ(output.ExitStatus, exit_status::Failure) << c.Run;
            EXPECT_EQ(output.Err,
                      "The health watch did not store a sample within 30 seconds; its events in the "
                      "Application log may say why.\n");
            // 30 s in steps of 250 ms, without waiting in earnest.
            EXPECT_EQ(clock.Sleeps, std::vector<std::uint32_t>(120, 250)) << c.Run;
        }
    }
}

TEST_F(WatchNowCommandTest, RunThatStoredNothingEndsWithFourAndTheWatchsReason) {
    StoreRun(At(1) + "," + At(2) + ",'request',0,'The data service SMART_VELMORA does not answer.'");
    const ConsoleOutput output = RunWatchNow(control, clock, path);
    EXPECT_EQ(output.ExitStatus, exit_status::Failure);
    EXPECT_EQ(output.Err,
              "The health watch could not store a sample: The data service SMART_VELMORA does not answer.\n");
    EXPECT_EQ(output.Out, "");
}

TEST_F(WatchNowCommandTest, UndeliveredRequestEndsWithFourAndSaysWhyWithoutWaiting) {
    const std::pair<std::uint32_t, std::string> cases[] = {
        {1060, "The health watch service SMART_VELMORA_WATCH is not installed.\n"},
        {1062,
         "The health watch service SMART_VELMORA_WATCH is not running; start it with "
         "\"net start SMART_VELMORA_WATCH\".\n"},
        {5, "Access denied: this account may not ask the health watch service SMART_VELMORA_WATCH for a sample.\n"},
        {1053, "The health watch service SMART_VELMORA_WATCH cannot be asked for a sample (system error 1053).\n"},
    };
    for (const auto& [error, text] : cases) {
        control.Error = error;
        const ConsoleOutput output = RunWatchNow(control, clock, path);
        EXPECT_EQ(output.ExitStatus, exit_status::Failure) << error;
        EXPECT_EQ(output.Err, text);
    }
    EXPECT_TRUE(clock.Sleeps.empty());
}

TEST_F(WatchNowCommandTest, UnreadableHistoryEndsWithFourAndTheDatabasesMessage) {
    std::ofstream(path) << std::string(4096, 'x');
    const ConsoleOutput output = RunWatchNow(control, clock, path);
    EXPECT_EQ(output.ExitStatus, exit_status::Failure);
    EXPECT_EQ(output.Err, "Cannot read the history " + path + ": file is not a database\n");
}

}  // namespace
}  // namespace velmora::cli
