#pragma once
// What the window summarises from an entry's SMART half: the status picture
// and the life meter position.

#include <cstdint>
#include <string_view>

#include "drives/DriveTable.h"

namespace velmora {

enum class HealthStatus { OK, BAD, UNKNOWN };

// SmartValid 0 or OverTemperature set: UNKNOWN; else Healthy: OK; else BAD.
[[nodiscard]] HealthStatus DriveStatus(const DriveInfo& drive);

// "OK", "BAD" or "UNKNOWN".
[[nodiscard]] std::string_view HealthStatusText(HealthStatus status);

// 0..100: LifePercent when known, else 100 - AvgEraseCount * 100 / 3000 when
// the erase count is known, else 0. Values from the drive are clamped, so a
// corrupt count or percentage can neither overflow nor leave the scale.
[[nodiscard]] std::int32_t LifeMeterValue(const DriveInfo& drive);

}  // namespace velmora
