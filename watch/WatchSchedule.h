#pragma once
// When the watch samples: every time decision of the loop, on whole UTC
// Unix seconds and without a clock of its own, so the rules are tested with
// plain numbers.
//
// - The start run is due at once; interval runs follow every interval,
//   counted from the start run. Any run that begins at or after an interval's
//   due time stands for it; intervals missed while a run took long or the
//   machine slept are skipped, not caught up.
// - A request at second now shares the last request run when
//   now - thatRun.started < 10, in progress or finished, and any request run
//   still waiting to start; otherwise a request run is due (after the run in
//   progress, if any). So requests cannot keep the watch and the data
//   service busy, and "watch --now", which waits for a request run that
//   started after t0 - 10, always finds one.
// - Old samples are deleted at most once a day.

#include <cstdint>
#include <optional>

namespace velmora::watch {

enum class RunReason { Start, Interval, Request };

// The runs table's reason: history::kReasonStart, kReasonInterval or kReasonRequest.
[[nodiscard]] const char* ReasonText(RunReason reason);

inline constexpr std::int64_t kRequestShareSeconds = 10;
inline constexpr std::int64_t kRetentionPeriodSeconds = 24 * 60 * 60;

class WatchSchedule {
public:
    explicit WatchSchedule(std::int64_t intervalSeconds);

    void Request(std::int64_t now);
    // The run to begin now, if any; none while a run is in progress.
    [[nodiscard]] std::optional<RunReason> Due(std::int64_t now);
    void Started(RunReason reason, std::int64_t now);
    void Finished();
    // Seconds until the next interval run; 0 when a run is due.
    [[nodiscard]] std::int64_t SecondsUntilDue(std::int64_t now);

    [[nodiscard]] bool RetentionDue(std::int64_t now) const;
    void RetentionDone(std::int64_t now);

private:
    // A clock set back by more than an interval would otherwise stop the samples.
    void FollowClockSetBack(std::int64_t now);

    std::int64_t interval_;
    bool started_ = false;
    bool running_ = false;
    std::int64_t nextInterval_ = 0;
    bool requestWaiting_ = false;
    std::optional<std::int64_t> lastRequestStart_;
    std::optional<std::int64_t> lastRetention_;
};

}  // namespace velmora::watch
