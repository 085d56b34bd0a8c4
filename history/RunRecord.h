#pragma once
// One sampling run as the watch hands it to the store: written in one
// transaction, so the history holds a run whole or not at all.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryRecords.h"

namespace velmora::history {

// A drive's sample at its UTC second.
struct TimedSample {
    std::int64_t Time = 0;
    DriveSample Sample;
};

// An event as the events table keeps it; Drive names the drive it is about.
struct StoredEvent {
    std::int64_t Time = 0;
    int EventId = 0;
    std::optional<DriveIdentity> Drive;
    std::string Message;
};

inline constexpr char kReasonStart[] = "start";
inline constexpr char kReasonInterval[] = "interval";
inline constexpr char kReasonRequest[] = "request";

struct RunRecord {
    std::int64_t Started = 0;
    std::int64_t Finished = 0;
    std::string Reason;  // kReasonStart, kReasonInterval or kReasonRequest
    std::vector<TimedSample> Samples;
    std::vector<StoredEvent> Events;
    // Why the run stored no samples; empty when it stored them.
    std::optional<std::string> Error;
};

}  // namespace velmora::history
