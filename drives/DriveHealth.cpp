#include "drives/DriveHealth.h"

#include <algorithm>

namespace velmora {

namespace {
constexpr std::int32_t kUnknown = -1;
// The erase count at which the meter reaches zero.
constexpr std::int64_t kRatedEraseCount = 3000;
}  // namespace

HealthStatus DriveStatus(const DriveInfo& drive) {
    if (drive.SmartValid == 0) return HealthStatus::UNKNOWN;
    if (drive.OverTemperature != 0) return HealthStatus::UNKNOWN;
    return drive.Healthy == 1 ? HealthStatus::OK : HealthStatus::BAD;
}

std::string_view HealthStatusText(HealthStatus status) {
    switch (status) {
        case HealthStatus::OK:
            return "OK";
        case HealthStatus::BAD:
            return "BAD";
        case HealthStatus::UNKNOWN:
            break;
    }
    return "UNKNOWN";
}

std::int32_t LifeMeterValue(const DriveInfo& drive) {
    std::int64_t value = 0;
    if (drive.LifePercent != kUnknown) {
        value = drive.LifePercent;
    } else if (drive.AvgEraseCount != kUnknown) {
        // 64 bits: AvgEraseCount * 100 overflows 32 bits above ~21 million.
        value = 100 - (static_cast<std::int64_t>(drive.AvgEraseCount) * 100) / kRatedEraseCount;
    }
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, 100));
}

}  // namespace velmora
