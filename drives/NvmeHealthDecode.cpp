#include "drives/NvmeHealthDecode.h"

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/ByteOrder.h"
#include "common/StorageLayout.h"

namespace velmora {

namespace {

using namespace nvme_health_log;

constexpr std::uint8_t kFailureBits = SpareBelowThreshold | ReliabilityDegraded | ReadOnly | VolatileBackupFailed;

constexpr std::int32_t kKelvinOffset = 273;
// A data unit is 512,000 bytes, so 1953 units make about one GB.
constexpr std::uint64_t kDataUnitsPerGB = 1953;

}  // namespace

int DecodeNvmeHealth(DriveInfo& drive, const PipeReply& reply) {
    const std::span<const std::uint8_t> page(reply.Data);
    drive.SmartValid = 1;
    drive.Healthy = 1;

    drive.Temperature = static_cast<std::int32_t>(LoadLe16(page, CompositeTemperatureOffset)) - kKelvinOffset;

    const std::uint8_t warning = page[CriticalWarningOffset];
    if ((warning & kFailureBits) != 0) drive.Healthy = 0;
    drive.OverTemperature = (warning & TemperatureThreshold) != 0 ? 1 : 0;

    const std::int32_t life = 100 - static_cast<std::int32_t>(page[PercentageUsedOffset]);
    drive.LifePercent = life < 0 ? 0 : life;

    const std::uint64_t gigabytes = LoadLe64(page, DataUnitsWrittenOffset) / kDataUnitsPerGB;
    drive.GBWritten = static_cast<std::int32_t>(static_cast<std::uint32_t>(gigabytes));

    drive.PowerOnHours = LoadLeI32(page, PowerOnHoursOffset);
    drive.PowerCycles = LoadLeI32(page, PowerCyclesOffset);

    if (LoadLe64(page, MediaErrorsOffset) != 0) drive.Healthy = 0;
    return 0;
}

}  // namespace velmora
