#include "watch/DriveSampler.h"

#include "drives/DriveEnumeration.h"
#include "drives/DriveSnapshot.h"
#include "drives/OsVersion.h"
#include "drives/SmartRefresh.h"

namespace velmora::watch {

SampleOutcome SourcesSampler::Sample(const std::atomic<bool>& stop) {
    SampleOutcome outcome;
    if (osVersionPrefix_.empty()) osVersionPrefix_ = CheckOperatingSystem(wmi_).Prefix;
    DriveTable table;
    if (stop || EnumerateDrives(table, wmi_, devices_, osVersionPrefix_) != 0) {
        outcome.Cancelled = stop;
        return outcome;
    }
    outcome.Listed = true;
    for (int i = 0; i < table.DiskCount(); ++i) {
        if (stop) {
            outcome.Cancelled = true;
            return outcome;
        }
        // A failed refresh is reported by it and stored as a drive that was not refreshed.
        const int result = RefreshDriveSmart(table, i, pipes_);
        outcome.Samples.push_back({clock_.NowUnixSeconds(), SnapshotDrive(table[i], result)});
    }
    return outcome;
}

}  // namespace velmora::watch
