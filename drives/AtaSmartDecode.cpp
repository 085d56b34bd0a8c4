#include "drives/AtaSmartDecode.h"

#include <algorithm>
#include <string>

#include "common/ByteOrder.h"

namespace velmora {

namespace {

namespace attribute_id {
constexpr std::uint8_t PowerOnHours = 9;
constexpr std::uint8_t PowerCycles = 12;
constexpr std::uint8_t EraseCount = 173;
constexpr std::uint8_t Temperature = 194;
constexpr std::uint8_t LifeLeft = 231;
constexpr std::uint8_t HostWrites = 241;
}  // namespace attribute_id

// These drives report no usable temperature; the value shown is fixed.
constexpr std::int32_t kFixedTemperature = 30;
constexpr std::uint32_t kUnknownRaw = 0xFFFFFFFFu;
// Family Q5 counts host writes in MB.
constexpr std::int32_t kQ5WriteUnitsPerGB = 1000;

bool IsFixedTemperatureFamily(const std::string& family) { return family == "QC" || family == "QD"; }

void ApplyAttribute(DriveInfo& drive, const std::string& family, const AtaAttribute& attribute) {
    const std::uint32_t raw = attribute.Raw32;
    switch (attribute.Id) {
        case attribute_id::PowerOnHours:
            drive.PowerOnHours = static_cast<std::int32_t>(raw);
            break;
        case attribute_id::PowerCycles:
            drive.PowerCycles = static_cast<std::int32_t>(raw);
            break;
        case attribute_id::EraseCount: {
            const auto low = static_cast<std::int32_t>(raw & 0xFFFF);
            const auto high = static_cast<std::int32_t>(raw >> 16);
            if (family == "Q5") {
                drive.AvgEraseCount = low;
                drive.MaxEraseCount = high;
            } else {
                drive.MaxEraseCount = low;
                drive.AvgEraseCount = high;
            }
            break;
        }
        case attribute_id::Temperature:
            drive.Temperature = IsFixedTemperatureFamily(family) ? kFixedTemperature : attribute.RawByte0();
            break;
        case attribute_id::LifeLeft:
            if (IsFixedTemperatureFamily(family)) drive.LifePercent = std::min<std::int32_t>(attribute.RawByte0(), 100);
            break;
        case attribute_id::HostWrites:
            drive.GBWritten = static_cast<std::int32_t>(raw);
            if (raw != kUnknownRaw && family == "Q5") drive.GBWritten /= kQ5WriteUnitsPerGB;
            break;
        default:
            break;
    }
}

}  // namespace

std::size_t UsableDataLength(std::int32_t dataLength) {
    if (dataLength <= 0) return 0;
    return std::min(static_cast<std::size_t>(dataLength), PIPE_DATA_SIZE);
}

std::size_t AtaAttributeCount(std::int32_t dataLength) {
    // The walk starts at byte 2, so the last entry of a 4096-byte length ends
    // at byte 4094 and the count alone keeps it inside Data.
    return UsableDataLength(dataLength) / kAtaAttributeSize;
}

AtaAttribute ReadAtaAttribute(std::span<const std::uint8_t, PIPE_DATA_SIZE> data, std::size_t entry) {
    const std::span<const std::uint8_t> bytes = data.subspan(kAtaAttributeOffset + entry * kAtaAttributeSize,
                                                             kAtaAttributeSize);
    AtaAttribute attribute;
    attribute.Id = bytes[0];
    attribute.Flags = LoadLe16(bytes, 1);
    attribute.Current = bytes[3];
    attribute.Worst = bytes[4];
    attribute.Raw32 = LoadLe32(bytes, 5);
    attribute.RawHigh24 = static_cast<std::uint32_t>(bytes[9]) | (static_cast<std::uint32_t>(bytes[10]) << 8) |
                          (static_cast<std::uint32_t>(bytes[11]) << 16);
    return attribute;
}

int DecodeAtaSmart(DriveInfo& drive, const PipeReply& reply) {
    if (reply.StatusValid != 0) {
        drive.SmartValid = reply.Active != 0 ? 1 : 0;
        drive.Healthy = reply.PredictFailure == 0 ? 1 : 0;
    }
    const std::string family = FirmwareFamily(drive);
    const std::size_t count = AtaAttributeCount(reply.DataLength);
    for (std::size_t entry = 0; entry < count; ++entry) {
        ApplyAttribute(drive, family, ReadAtaAttribute(reply.Data, entry));
    }
    return 0;
}

}  // namespace velmora
