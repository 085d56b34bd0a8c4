#include "watch/DriveTransitions.h"

#include <gtest/gtest.h>

#include "tests/history/HistoryTestSupport.h"

namespace velmora::watch {
namespace {

using history::test_support::Sample;

struct Before {
    const char* Status;
    std::optional<std::int64_t> KnownMeter;
};

// What the history knew of drive "A" before the run.
history::KnownDrive Known(const Before& before) {
    history::KnownDrive known;
    known.Drive = history::test_support::Drive("A");
    known.Last = Sample(100, "A", before.Status).Sample.Values;
    known.LastKnownMeter = before.KnownMeter;
    known.SeenInLastRun = true;
    return known;
}

// Event numbers, with the threshold after a 1004 ("1004@5").
std::string Ids(const std::vector<WatchEvent>& events) {
    std::string text;
    for (const WatchEvent& event : events) {
        text += (text.empty() ? "" : " ") + std::to_string(static_cast<int>(event.Id));
        if (event.Id == EventId::LifeLow) text += "@" + event.Strings.at(4);
    }
    return text;
}

TEST(DriveTransitions, EventsFollowChangesAgainstTheLastStoredState) {
    const struct {
        const char* Name;
        std::optional<Before> Prior;  // empty: first seen
        const char* Status;
        std::optional<std::int64_t> Meter;
        const char* Expected;
    } cases[] = {
        {"first seen OK", {}, "OK", 80, "1005"},
        {"first seen BAD", {}, "BAD", 80, "1005 1001"},
        {"first seen UNKNOWN", {}, "UNKNOWN", 0, "1005 1002"},
        {"first seen at 3 percent", {}, "OK", 3, "1005 1004@5"},
        {"still OK", Before{"OK", 80}, "OK", 80, ""},
        {"became BAD", Before{"OK", 80}, "BAD", 80, "1001"},
        {"still BAD", Before{"BAD", 80}, "BAD", 80, ""},
        {"BAD to UNKNOWN", Before{"BAD", 80}, "UNKNOWN", 0, "1002"},
        {"UNKNOWN to OK", Before{"UNKNOWN", 80}, "OK", 80, "1003"},
        {"BAD to OK", Before{"BAD", 80}, "OK", 80, "1003"},
        {"meter reaches 10", Before{"OK", 12}, "OK", 10, "1004@10"},
        {"meter stays below 10", Before{"OK", 10}, "OK", 9, ""},
        {"meter passes 5 from 9", Before{"OK", 9}, "OK", 4, "1004@5"},
        {"meter falls past every threshold: the lowest", Before{"OK", 12}, "OK", 0, "1004@0"},
        {"meter rises above 5", Before{"OK", 4}, "OK", 6, ""},
        {"meter back at 5 after rising above it", Before{"OK", 6}, "OK", 5, "1004@5"},
        {"judged against the last meter from health data", Before{"UNKNOWN", 8}, "OK", 7, "1003"},
    };
    for (const auto& c : cases) {
        std::vector<history::KnownDrive> known;
        if (c.Prior) known.push_back(Known(*c.Prior));
        const std::vector<history::TimedSample> samples = {Sample(200, "A", c.Status, c.Meter)};
        EXPECT_EQ(Ids(JudgeTransitions(known, samples)), c.Expected) << c.Name;
    }
}

TEST(DriveTransitions, DriveThePreviousListingSawIsMissingOnce) {
    history::KnownDrive seen = Known({"OK", 80});
    history::KnownDrive missingBefore = Known({"OK", 80});
    missingBefore.Drive.SerialNumber = "B";
    missingBefore.SeenInLastRun = false;
    const std::vector<history::KnownDrive> known = {seen, missingBefore};
    const std::vector<WatchEvent> events = JudgeTransitions(known, {});
    ASSERT_EQ(Ids(events), "1006");
    EXPECT_EQ(events[0].Drive->SerialNumber, "A");
}

}  // namespace
}  // namespace velmora::watch
