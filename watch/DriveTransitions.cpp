#include "watch/DriveTransitions.h"

#include <algorithm>

#include "watch/WatchMessages.h"

namespace velmora::watch {

namespace {

const history::KnownDrive* Find(std::span<const history::KnownDrive> known, const history::DriveIdentity& drive) {
    const auto found = std::find_if(known.begin(), known.end(),
                                    [&](const history::KnownDrive& k) { return history::SameDrive(k.Drive, drive); });
    return found == known.end() ? nullptr : &*found;
}

void JudgeStatus(const history::KnownDrive* before, const history::DriveSample& sample,
                 std::vector<WatchEvent>& events) {
    // A drive without a stored sample counts as having been OK.
    const std::string previous = before && before->Last ? before->Last->Status : "OK";
    const std::string& now = sample.Values.Status;
    if (now == previous) return;
    if (now == "BAD") {
        events.push_back(DriveBadEvent(sample));
    } else if (now == "UNKNOWN") {
        events.push_back(DriveUnknownEvent(sample));
    } else {
        events.push_back(DriveOkEvent(sample));
    }
}

void JudgeLifeMeter(const history::KnownDrive* before, const history::DriveSample& sample,
                    std::vector<WatchEvent>& events) {
    const auto meter = history::KnownLifeMeter(sample.Values);
    if (!meter) return;
    const auto previous = before ? before->LastKnownMeter : std::nullopt;
    for (const int threshold : kLifeThresholds) {
        const bool reached = *meter <= threshold;
        const bool armed = !previous || *previous > threshold;
        if (reached && armed) {
            events.push_back(LifeLowEvent(sample, *meter, threshold));
            return;
        }
    }
}

}  // namespace

std::vector<WatchEvent> JudgeTransitions(std::span<const history::KnownDrive> known,
                                         std::span<const history::TimedSample> samples) {
    std::vector<WatchEvent> events;
    for (const history::TimedSample& timed : samples) {
        const history::KnownDrive* before = Find(known, timed.Sample.Drive);
        if (!before) events.push_back(DriveFoundEvent(timed.Sample));
        JudgeStatus(before, timed.Sample, events);
        JudgeLifeMeter(before, timed.Sample, events);
    }
    for (const history::KnownDrive& drive : known) {
        const bool listedNow = std::any_of(samples.begin(), samples.end(), [&](const history::TimedSample& s) {
            return history::SameDrive(s.Sample.Drive, drive.Drive);
        });
        if (drive.SeenInLastRun && !listedNow) events.push_back(DriveMissingEvent(drive));
    }
    return events;
}

}  // namespace velmora::watch
