// The watch's loop on its own thread against a real database file, with a
// clock that stands still and a sampler scripted by the test.

#include "watch/WatchRunner.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "history/HistorySchema.h"
#include "history/Sqlite.h"
#include "tests/fakes/FakeWatchClock.h"
#include "tests/fakes/RecordingWatchEvents.h"
#include "tests/history/HistoryTestSupport.h"
#include "watch/WatchMessages.h"

namespace velmora::watch {
namespace {

using history::test_support::Sample;
using SampleFunction = std::function<SampleOutcome(const std::atomic<bool>& stop)>;

class ScriptedSampler final : public DriveSampler {
public:
    explicit ScriptedSampler(SampleFunction sample) : sample_(std::move(sample)) {}
    SampleOutcome Sample(const std::atomic<bool>& stop) override { return sample_(stop); }

private:
    SampleFunction sample_;
};

// Keeps what the runner writes and answers with the failure the test sets.
class RecordingMetricsWriter final : public MetricsWriter {
public:
    std::string Replace(const std::string& path, const std::string& text) noexcept override {
        std::lock_guard lock(mutex_);
        writes_.push_back({path, text});
        return failure_;
    }
    void Fail(std::string failure) {
        std::lock_guard lock(mutex_);
        failure_ = std::move(failure);
    }
    std::vector<std::pair<std::string, std::string>> Writes() {
        std::lock_guard lock(mutex_);
        return writes_;
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<std::string, std::string>> writes_;
    std::string failure_;
};

// Polls until the condition holds, for at most ten seconds.
bool Eventually(const std::function<bool()>& condition,
                std::chrono::steady_clock::duration limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class WatchRunnerTest : public ::testing::Test {
protected:
    ~WatchRunnerTest() override { StopRunner(); }

    void StartRunner(LoadedSettings settings = {}) { StartRunner(std::move(settings), store); }
    void StartRunner(LoadedSettings settings, history::HistoryStore& history) {
        calls = 0;
        auto makeSampler = [this] {
            return std::make_unique<ScriptedSampler>([this](const std::atomic<bool>& stop) {
                ++calls;
                return sample(stop);
            });
        };
        runner = std::make_unique<WatchRunner>(std::move(settings),
                                               WatchParts{clock, history, events, events, metrics, makeSampler});
        thread = std::thread([this] { runner->Run(); });
    }
    void StopRunner() {
        if (!thread.joinable()) return;
        runner->Stop();
        thread.join();
    }
    // A listing of these samples, taken at the clock's second.
    void Listing(std::vector<history::TimedSample> samples) {
        sample = [this, samples](const std::atomic<bool>&) {
            SampleOutcome outcome{true, false, samples};
            for (auto& s : outcome.Samples) s.Time = clock.Now;
            return outcome;
        };
    }
    std::int64_t Count(const std::string& sql) {
        try {
            return history::test_support::QueryInteger(path, sql);
        } catch (const history::SqliteError&) {
            return -1;  // not there yet
        }
    }
    bool RowsEventually(const std::string& sql, std::int64_t expected) {
        return Eventually([&] { return Count(sql) == expected; });
    }

    history::test_support::TempFolder folder;
    std::string path = folder.File(history::kHistoryFileName);
    fakes::FakeWatchClock clock;
    history::HistoryStore store{path};
    history::HistoryStore storeInMissingFolder{folder.File("History/history.db")};
    fakes::RecordingWatchEvents events;
    RecordingMetricsWriter metrics;
    SampleFunction sample;
    std::atomic<int> calls{0};
    std::unique_ptr<WatchRunner> runner;
    std::thread thread;
};

TEST_F(WatchRunnerTest, StartRunStoresItsRowWithTheStartEventsAndOldSamplesGo) {
    {
        history::HistoryStore earlier(path);
        ASSERT_EQ(earlier.Open(0).State, history::OpenState::Ready);
        ASSERT_TRUE(
            earlier
                .WriteRun(history::test_support::MakeRun(clock.Now - 3 * 86400, {Sample(clock.Now - 3 * 86400, "A")}))
                .Ok);
    }
    Listing({Sample(0, "A")});
    LoadedSettings settings;
    settings.Settings.HistoryDays = 2;
    settings.Warnings.push_back(SettingDefaultEvent("HistoryDays", "0", "out of the range 1 to 36500", "1095"));
    StartRunner(settings);

    ASSERT_TRUE(RowsEventually("SELECT count(*) FROM runs WHERE reason = 'start' AND drives = 1", 1));
    ASSERT_TRUE(RowsEventually("SELECT count(*) FROM samples", 1));  // the old one deleted
    EXPECT_EQ(history::test_support::QueryText(path, "SELECT group_concat(event_id) FROM events"), "1009,1000");
    EXPECT_EQ(events.RaisedIds(), (std::vector<int>{1009, 1000}));
}

// "watch --now" sends the control at t0 and waits for a request row that
// started after t0 - 10 and has finished.
TEST_F(WatchRunnerTest, RequestGivesTheRowTheConsoleWaitsFor) {
    Listing({Sample(0, "A")});
    StartRunner();
    ASSERT_TRUE(RowsEventually("SELECT count(*) FROM runs", 1));
    clock.Now += 100;
    const std::int64_t t0 = clock.Now;
    runner->RequestSample();
    EXPECT_TRUE(RowsEventually("SELECT count(*) FROM runs WHERE reason = 'request' AND started > " +
                                   std::to_string(t0 - 10) + " AND finished IS NOT NULL",
                               1));
}

// Between samples nothing polls: a clock set forward past the next sample,
// or a night asleep, is followed when the service is told, and only then.
TEST_F(WatchRunnerTest, ClockChangeWorksOutTheWaitAgainWithoutASampleOfItsOwn) {
    Listing({Sample(0, "A")});
    StartRunner();  // the default interval: an hour
    ASSERT_TRUE(RowsEventually("SELECT count(*) FROM runs", 1));
    runner->ClockChanged();  // nothing is due yet
    ASSERT_FALSE(Eventually([&] { return calls == 2; }, std::chrono::milliseconds(300)));
    clock.Now += 2 * 3600;
    runner->ClockChanged();
    EXPECT_TRUE(RowsEventually("SELECT count(*) FROM runs WHERE reason = 'interval'", 1));
    EXPECT_EQ(calls, 2);
}

TEST_F(WatchRunnerTest, StopDuringASampleDropsTheRunAndReturns) {
    sample = [this](const std::atomic<bool>& stop) {
        runner->Stop();
        return SampleOutcome{true, stop.load(), {}};
    };
    StartRunner();
    thread.join();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(events.Raised().empty());
}

TEST_F(WatchRunnerTest, AStoppedRunnerHoldsNoFileOfTheHistory) {
    Listing({Sample(clock.Now, "A")});
    StartRunner();
    ASSERT_TRUE(RowsEventually("SELECT count(*) FROM runs", 1));
    StopRunner();
    EXPECT_FALSE(store.IsOpen());
}

TEST_F(WatchRunnerTest, StoreFailureIsRaisedOnceAndALaterRunStoresWhatWasMissed) {
    path = folder.File("History/history.db");
    sample = [&](const std::atomic<bool>&) {
        if (calls == 3) std::filesystem::create_directory(folder.File("History"));
        return SampleOutcome{true, false, {Sample(clock.Now, "A")}};
    };
    StartRunner({}, storeInMissingFolder);

    ASSERT_TRUE(Eventually([&] { return events.RaisedIds().size() == 3; }));
    EXPECT_EQ(events.Raised()[0].Message, "The history database could not be opened (unable to open database file).");
    clock.Now += 20;
    runner->RequestSample();
    ASSERT_TRUE(Eventually([&] { return calls == 2; }));
    clock.Now += 20;
    runner->RequestSample();
    ASSERT_TRUE(RowsEventually("SELECT count(*) FROM runs", 1));
    EXPECT_EQ(events.RaisedIds(), (std::vector<int>{1007, 1000, 1005}));
    EXPECT_EQ(history::test_support::QueryText(path, "SELECT group_concat(event_id) FROM events"), "1007,1000,1005");
}

TEST_F(WatchRunnerTest, RestartJudgesAgainstTheStoredStateAndAlertsOnlyWithACommand) {
    LoadedSettings withCommand;
    withCommand.Settings.AlertCommand = "notify.cmd";
    Listing({Sample(0, "A", "BAD", 3)});
    StartRunner(withCommand);
    ASSERT_TRUE(RowsEventually("SELECT count(*) FROM runs", 1));
    StopRunner();
    EXPECT_EQ(events.RaisedIds(), (std::vector<int>{1000, 1005, 1001, 1004}));
    EXPECT_EQ(events.Alerted(), (std::vector<int>{1001, 1004}));

    clock.Now += 100;
    StartRunner(withCommand);  // the same drive, still BAD at 3 percent
    ASSERT_TRUE(RowsEventually("SELECT count(*) FROM runs", 2));
    StopRunner();
    EXPECT_EQ(events.RaisedIds().size(), 5u);  // 1000 only

    clock.Now += 100;
    Listing({});
    StartRunner();  // no command: the drive is gone, unalerted
    ASSERT_TRUE(RowsEventually("SELECT count(*) FROM runs", 3));
    StopRunner();
    EXPECT_EQ(events.RaisedIds().back(), 1006);
    EXPECT_EQ(events.Alerted().size(), 2u);
}

TEST_F(WatchRunnerTest, ListedRunsRewriteTheMetricsWithTheForecastAndAFailureIsRaisedOncePerReason) {
    {
        // 10 days before at 81 %, now at 80 %: 0.1 a day, 800 days left.
        history::HistoryStore earlier(path);
        ASSERT_EQ(earlier.Open(0).State, history::OpenState::Ready);
        const std::int64_t before = clock.Now - 10 * 86400;
        ASSERT_TRUE(earlier.WriteRun(history::test_support::MakeRun(before, {Sample(before, "A", "OK", 81)})).Ok);
    }
    Listing({Sample(0, "A")});
    LoadedSettings settings;
    settings.Settings.MetricsFile = "C:\\metrics\\velmora_ssd.prom";
    StartRunner(settings);
    ASSERT_TRUE(Eventually([&] { return metrics.Writes().size() == 1; }));
    EXPECT_EQ(metrics.Writes()[0].first, settings.Settings.MetricsFile);
    const std::string text = metrics.Writes()[0].second;
    EXPECT_NE(text.find("velmora_ssd_life_forecast_seconds{serial_number=\"A\",model=\"VELMORA R730 SSD\",firmware=\""
                        "Q5RT2B1\",interface=\"SATA\"} 69120000\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nvelmora_ssd_sample_interval_seconds 3600\n"), std::string::npos);

    metrics.Fail("Access is denied");
    for (std::size_t writes = 2; writes <= 3; ++writes) {
        clock.Now += 20;
        runner->RequestSample();
        ASSERT_TRUE(Eventually([&] { return metrics.Writes().size() == writes; }));
    }
    // A run that could not list the drives leaves the file as it is.
    sample = [](const std::atomic<bool>&) { return SampleOutcome{}; };
    clock.Now += 20;
    runner->RequestSample();
    ASSERT_TRUE(RowsEventually("SELECT count(*) FROM runs", 5));
    StopRunner();
    EXPECT_EQ(metrics.Writes().size(), 3u);
    ASSERT_EQ(events.RaisedIds(), (std::vector<int>{1000, 1010}));
    EXPECT_EQ(events.Raised()[1].Message,
              "The metrics file \"C:\\metrics\\velmora_ssd.prom\" could not be written (Access is denied).");
}

}  // namespace
}  // namespace velmora::watch
