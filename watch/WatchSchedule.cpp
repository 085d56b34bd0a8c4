#include "watch/WatchSchedule.h"

#include <algorithm>

#include "history/RunRecord.h"

namespace velmora::watch {

const char* ReasonText(RunReason reason) {
    switch (reason) {
    case RunReason::Start: return history::kReasonStart;
    case RunReason::Interval: return history::kReasonInterval;
    case RunReason::Request: break;
    }
    return history::kReasonRequest;
}

WatchSchedule::WatchSchedule(std::int64_t intervalSeconds) : interval_(std::max<std::int64_t>(intervalSeconds, 1)) {}

void WatchSchedule::Request(std::int64_t now) {
    if (requestWaiting_) return;
    if (lastRequestStart_ && now - *lastRequestStart_ < kRequestShareSeconds) return;
    requestWaiting_ = true;
}

void WatchSchedule::FollowClockSetBack(std::int64_t now) {
    if (started_ && nextInterval_ - now > interval_) nextInterval_ = now + interval_;
}

std::optional<RunReason> WatchSchedule::Due(std::int64_t now) {
    if (running_) return std::nullopt;
    if (!started_) return RunReason::Start;
    if (requestWaiting_) return RunReason::Request;
    FollowClockSetBack(now);
    if (now >= nextInterval_) return RunReason::Interval;
    return std::nullopt;
}

void WatchSchedule::Started(RunReason reason, std::int64_t now) {
    running_ = true;
    if (!started_) {
        started_ = true;
        nextInterval_ = now + interval_;
    }
    if (reason == RunReason::Request) {
        requestWaiting_ = false;
        lastRequestStart_ = now;
    }
    FollowClockSetBack(now);
    if (now >= nextInterval_) nextInterval_ += ((now - nextInterval_) / interval_ + 1) * interval_;
}

void WatchSchedule::Finished() { running_ = false; }

std::int64_t WatchSchedule::SecondsUntilDue(std::int64_t now) {
    if (!started_ || requestWaiting_) return 0;
    FollowClockSetBack(now);
    return std::max<std::int64_t>(nextInterval_ - now, 0);
}

bool WatchSchedule::RetentionDue(std::int64_t now) const {
    return !lastRetention_ || now - *lastRetention_ >= kRetentionPeriodSeconds || now < *lastRetention_;
}

void WatchSchedule::RetentionDone(std::int64_t now) { lastRetention_ = now; }

}  // namespace velmora::watch
