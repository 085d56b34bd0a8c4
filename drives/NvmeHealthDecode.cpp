#include "drives/NvmeHealthDecode.h"

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/ByteOrder.h"

namespace velmora {

namespace {

// Byte offsets in the log page.
namespace health_offset {
constexpr std::size_t CriticalWarning = 0;
constexpr std::size_t CompositeTemperature = 1;
constexpr std::size_t PercentageUsed = 5;
constexpr std::size_t DataUnitsWritten = 48;
constexpr std::size_t PowerCycles = 112;
constexpr std::size_t PowerOnHours = 128;
constexpr std::size_t MediaErrors = 160;
}  // namespace health_offset

// Critical warning bits.
constexpr std::uint8_t kSpareBelowThreshold = 0x01;
constexpr std::uint8_t kTemperatureThreshold = 0x02;
constexpr std::uint8_t kReliabilityDegraded = 0x04;
constexpr std::uint8_t kReadOnly = 0x08;
constexpr std::uint8_t kVolatileBackupFailed = 0x10;
constexpr std::uint8_t kFailureBits = kSpareBelowThreshold | kReliabilityDegraded | kReadOnly | kVolatileBackupFailed;

constexpr std::int32_t kKelvinOffset = 273;
// A data unit is 512,000 bytes, so 1953 units make about one GB.
constexpr std::uint64_t kDataUnitsPerGB = 1953;

}  // namespace

int DecodeNvmeHealth(DriveInfo& drive, const PipeReply& reply) {
    const std::span<const std::uint8_t> page(reply.Data);
    drive.SmartValid = 1;
    drive.Healthy = 1;

    drive.Temperature = static_cast<std::int32_t>(LoadLe16(page, health_offset::CompositeTemperature)) - kKelvinOffset;

    const std::uint8_t warning = page[health_offset::CriticalWarning];
    if ((warning & kFailureBits) != 0) drive.Healthy = 0;
    drive.OverTemperature = (warning & kTemperatureThreshold) != 0 ? 1 : 0;

    const std::int32_t life = 100 - static_cast<std::int32_t>(page[health_offset::PercentageUsed]);
    drive.LifePercent = life < 0 ? 0 : life;

    const std::uint64_t gigabytes = LoadLe64(page, health_offset::DataUnitsWritten) / kDataUnitsPerGB;
    drive.GBWritten = static_cast<std::int32_t>(static_cast<std::uint32_t>(gigabytes));

    drive.PowerOnHours = LoadLeI32(page, health_offset::PowerOnHours);
    drive.PowerCycles = LoadLeI32(page, health_offset::PowerCycles);

    if (LoadLe64(page, health_offset::MediaErrors) != 0) drive.Healthy = 0;
    return 0;
}

}  // namespace velmora
