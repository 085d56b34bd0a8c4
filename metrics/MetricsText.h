#pragma once
// The drives' state in the Prometheus text exposition format, as the
// console's "metrics" prints it and the health watch writes it for an
// exporter's textfile collector: UTF-8 without a byte-order mark, LF line
// ends, base units, HELP and TYPE lines, and no line for a value a drive
// does not report (a 0 would read as a real reading and raise alerts).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryRecords.h"

namespace velmora::metrics {

struct DriveMetrics {
    history::DriveSample Sample;
    std::int64_t SampleTime = 0;           // Unix seconds
    std::optional<std::int64_t> DaysLeft;  // the wear forecast's, when there is one
};

struct MetricsInput {
    std::vector<DriveMetrics> Drives;
    // The watch's sampling interval, so that "no sample for 3 intervals" can
    // be judged per machine; absent from the console's output.
    std::optional<std::int64_t> SampleIntervalSeconds;
};

[[nodiscard]] std::string MetricsText(const MetricsInput& input);

}  // namespace velmora::metrics
