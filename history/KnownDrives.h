#pragma once
// What the history knows about each drive before a run: its newest sample,
// its newest life meter that came from health data, and whether the last
// run that listed the drives saw it. The watch judges its events against
// this, so neither the next sample nor a restart raises one twice; the store
// loads it from the database and AdvanceKnownDrives keeps it in memory the
// same way when a run could not be stored.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "history/HistoryRecords.h"
#include "history/RunRecord.h"

namespace velmora::history {

struct KnownDrive {
    DriveIdentity Drive;
    std::int64_t FirstSeen = 0;
    std::int64_t LastSeen = 0;  // time of its newest sample
    std::optional<SampleValues> Last;
    std::optional<std::int64_t> LastKnownMeter;
    bool SeenInLastRun = false;
};

// The drives table's key: serial number and model.
[[nodiscard]] bool SameDrive(const DriveIdentity& a, const DriveIdentity& b);

// The sample's life meter when the drive gave health data with it. A
// refreshed drive without health data shows a meter of 0 that says nothing
// about its wear; its status is then UNKNOWN without over temperature.
[[nodiscard]] std::optional<std::int64_t> KnownLifeMeter(const SampleValues& values);

// The state after a run that listed the drives and took these samples.
[[nodiscard]] std::vector<KnownDrive> AdvanceKnownDrives(std::span<const KnownDrive> before,
                                                         std::span<const TimedSample> samples);

}  // namespace velmora::history
