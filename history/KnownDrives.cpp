#include "history/KnownDrives.h"

#include <algorithm>

namespace velmora::history {

bool SameDrive(const DriveIdentity& a, const DriveIdentity& b) {
    return a.SerialNumber == b.SerialNumber && a.Model == b.Model;
}

std::optional<std::int64_t> KnownLifeMeter(const SampleValues& values) {
    const bool healthData = values.Status != "UNKNOWN" || values.OverTemperature;
    if (!values.Refreshed || !healthData) return std::nullopt;
    return values.LifeMeter;
}

std::vector<KnownDrive> AdvanceKnownDrives(std::span<const KnownDrive> before, std::span<const TimedSample> samples) {
    std::vector<KnownDrive> after(before.begin(), before.end());
    for (KnownDrive& known : after) known.SeenInLastRun = false;
    for (const TimedSample& sample : samples) {
        auto found = std::find_if(after.begin(), after.end(),
                                  [&](const KnownDrive& k) { return SameDrive(k.Drive, sample.Sample.Drive); });
        if (found == after.end()) {
            found = after.insert(after.end(), KnownDrive{});
            found->FirstSeen = sample.Time;
        }
        found->Drive = sample.Sample.Drive;
        found->LastSeen = sample.Time;
        found->Last = sample.Sample.Values;
        if (const auto meter = KnownLifeMeter(sample.Sample.Values)) found->LastKnownMeter = meter;
        found->SeenInLastRun = true;
    }
    return after;
}

}  // namespace velmora::history
