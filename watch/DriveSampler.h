#pragma once
// One sampling pass over the maker's drives: enumerate them, refresh each
// through the data service's pipe and take its snapshot, as "status --json"
// does. A stop request is honoured between drives.

#include <atomic>
#include <string>
#include <vector>

#include "drives/PipeClient.h"
#include "common/DeviceIo.h"
#include "common/WmiSource.h"
#include "history/RunRecord.h"
#include "watch/WatchClock.h"

namespace velmora::watch {

struct SampleOutcome {
    bool Listed = false;     // the enumeration succeeded (failures are reported by it)
    bool Cancelled = false;  // stopped before every drive was sampled; Samples is incomplete
    std::vector<history::TimedSample> Samples;
};

class DriveSampler {
public:
    virtual ~DriveSampler() = default;
    [[nodiscard]] virtual SampleOutcome Sample(const std::atomic<bool>& stop) = 0;
};

// Samples through the three seams. They must outlive the sampler and be
// used on the thread that calls Sample (WMI's COM objects belong to it).
class SourcesSampler final : public DriveSampler {
public:
    SourcesSampler(WmiSource& wmi, DeviceIo& devices, PipeSystem& pipes, WatchClock& clock) noexcept
        : wmi_(wmi), devices_(devices), pipes_(pipes), clock_(clock) {}

    [[nodiscard]] SampleOutcome Sample(const std::atomic<bool>& stop) override;

private:
    WmiSource& wmi_;
    DeviceIo& devices_;
    PipeSystem& pipes_;
    WatchClock& clock_;
    std::string osVersionPrefix_;  // read once; the enumeration needs it for serial numbers
};

}  // namespace velmora::watch
