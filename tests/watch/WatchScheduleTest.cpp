#include "watch/WatchSchedule.h"

#include <gtest/gtest.h>

namespace velmora::watch {
namespace {

constexpr std::int64_t kHour = 3600;

// Begins and ends a run of the given reason at now.
void RunAt(WatchSchedule& schedule, RunReason reason, std::int64_t now) {
    schedule.Started(reason, now);
    schedule.Finished();
}

TEST(WatchSchedule, StartRunIsDueAtOnceThenEveryIntervalFromIt) {
    WatchSchedule schedule(kHour);
    ASSERT_EQ(schedule.Due(1000), RunReason::Start);
    RunAt(schedule, RunReason::Start, 1000);
    EXPECT_EQ(schedule.Due(1000 + kHour - 1), std::nullopt);
    EXPECT_EQ(schedule.SecondsUntilDue(1000 + kHour - 1), 1);
    ASSERT_EQ(schedule.Due(1000 + kHour), RunReason::Interval);
    RunAt(schedule, RunReason::Interval, 1000 + kHour + 30);  // a late start keeps the rhythm
    EXPECT_EQ(schedule.SecondsUntilDue(1000 + kHour + 40), kHour - 40);
}

TEST(WatchSchedule, IntervalsMissedWhileAwayAreSkippedNotCaughtUp) {
    WatchSchedule schedule(kHour);
    RunAt(schedule, RunReason::Start, 0);
    RunAt(schedule, RunReason::Interval, 3 * kHour + 5);
    EXPECT_EQ(schedule.Due(3 * kHour + 6), std::nullopt);
    EXPECT_EQ(schedule.SecondsUntilDue(3 * kHour + 6), kHour - 6);
}

TEST(WatchSchedule, RequestRunAtTheDueTimeStandsForTheInterval) {
    WatchSchedule schedule(kHour);
    RunAt(schedule, RunReason::Start, 0);
    schedule.Request(kHour);
    ASSERT_EQ(schedule.Due(kHour), RunReason::Request);
    RunAt(schedule, RunReason::Request, kHour);
    EXPECT_EQ(schedule.Due(kHour + 1), std::nullopt);
}

TEST(WatchSchedule, ClockSetBackKeepsTheNextSampleWithinOneInterval) {
    WatchSchedule schedule(kHour);
    RunAt(schedule, RunReason::Start, 1'000'000);
    EXPECT_EQ(schedule.SecondsUntilDue(1000), kHour);
}

// A request at second now shares the last request run when now - its start
// < 10, whether it is in progress or finished; otherwise a new one is due.
TEST(WatchSchedule, RequestsWithinTenSecondsOfARequestRunShareIt) {
    const struct {
        const char* Name;
        std::int64_t After;
        bool InProgress;
        bool NewRun;
    } cases[] = {
        {"finished, 9 s later", 9, false, false},
        {"in progress, 9 s later", 9, true, false},
        {"finished, 10 s later", 10, false, true},
        {"in progress, 10 s later: after it", 10, true, true},
    };
    for (const auto& c : cases) {
        WatchSchedule schedule(kHour);
        RunAt(schedule, RunReason::Start, 0);
        schedule.Request(100);
        ASSERT_EQ(schedule.Due(100), RunReason::Request);
        schedule.Started(RunReason::Request, 100);
        if (!c.InProgress) schedule.Finished();
        schedule.Request(100 + c.After);
        if (c.InProgress) {
            EXPECT_EQ(schedule.Due(100 + c.After), std::nullopt) << c.Name;  // nothing starts beside a run
            schedule.Finished();
        }
        EXPECT_EQ(schedule.Due(100 + c.After) == RunReason::Request, c.NewRun) << c.Name;
    }
}

TEST(WatchSchedule, RequestsWhileOneWaitsShareTheWaitingRun) {
    WatchSchedule schedule(kHour);
    schedule.Started(RunReason::Start, 0);  // a long start run is in progress
    schedule.Request(20);
    schedule.Request(25);
    schedule.Finished();
    ASSERT_EQ(schedule.Due(40), RunReason::Request);
    RunAt(schedule, RunReason::Request, 40);
    EXPECT_EQ(schedule.Due(41), std::nullopt);
}

TEST(WatchSchedule, OldSamplesAreDeletedOnceADay) {
    WatchSchedule schedule(kHour);
    EXPECT_TRUE(schedule.RetentionDue(5000));
    schedule.RetentionDone(5000);
    EXPECT_FALSE(schedule.RetentionDue(5000 + kRetentionPeriodSeconds - 1));
    EXPECT_TRUE(schedule.RetentionDue(5000 + kRetentionPeriodSeconds));
    EXPECT_TRUE(schedule.RetentionDue(4000));  // the clock went back
}

}  // namespace
}  // namespace velmora::watch
