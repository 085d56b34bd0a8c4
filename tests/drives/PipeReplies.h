#pragma once
// Builders for the replies the service sends: an ATA SMART block with chosen
// attribute entries, an NVMe health log page with chosen fields.

#include <cstdint>
#include <span>
#include <string>

#include "drives/AtaSmartDecode.h"
#include "drives/DriveTable.h"
#include "drives/SmartRefresh.h"
#include "common/ByteOrder.h"
#include "common/PipeRecords.h"
#include "common/StorageLayout.h"

namespace velmora::test_support {

struct AtaEntry {
    std::uint8_t Id = 0;
    std::uint32_t Raw32 = 0;       // raw bytes 0-3 (entry bytes 5-8)
    std::uint16_t Flags = 0x0032;
    std::uint8_t Current = 100;
    std::uint8_t Worst = 100;
    std::uint32_t RawHigh24 = 0;  // entry bytes 9-11
};

inline void PutAtaEntry(PipeReply& reply, std::size_t entry, const AtaEntry& value) {
    const std::span<std::uint8_t> bytes =
        std::span<std::uint8_t>(reply.Data).subspan(kAtaAttributeOffset + entry * kAtaAttributeSize, kAtaAttributeSize);
    bytes[0] = value.Id;
    StoreLe16(bytes, 1, value.Flags);
    bytes[3] = value.Current;
    bytes[4] = value.Worst;
    StoreLe32(bytes, 5, value.Raw32);
    bytes[9] = static_cast<std::uint8_t>(value.RawHigh24);
    bytes[10] = static_cast<std::uint8_t>(value.RawHigh24 >> 8);
    bytes[11] = static_cast<std::uint8_t>(value.RawHigh24 >> 16);
}

// A 512-byte block with valid status flags as given.
inline PipeReply AtaReply(std::int32_t statusValid = 1, std::int32_t active = 1, std::int32_t predictFailure = 0) {
    PipeReply reply;
    reply.StatusValid = statusValid;
    reply.Active = active;
    reply.PredictFailure = predictFailure;
    reply.DataValid = 1;
    reply.DataLength = 512;
    reply.Data[0] = 0x10;  // block revision
    return reply;
}

namespace nvme_offset {
inline constexpr std::size_t CriticalWarning = nvme_health_log::CriticalWarningOffset;
inline constexpr std::size_t Temperature = nvme_health_log::CompositeTemperatureOffset;
inline constexpr std::size_t PercentageUsed = nvme_health_log::PercentageUsedOffset;
inline constexpr std::size_t DataUnitsWritten = nvme_health_log::DataUnitsWrittenOffset;
inline constexpr std::size_t PowerCycles = nvme_health_log::PowerCyclesOffset;
inline constexpr std::size_t PowerOnHours = nvme_health_log::PowerOnHoursOffset;
inline constexpr std::size_t MediaErrors = nvme_health_log::MediaErrorsOffset;
}  // namespace nvme_offset

// A healthy 512-byte log page at 300 K, nothing used, nothing written.
inline PipeReply NvmeReply() {
    PipeReply reply;
    reply.DataValid = 1;
    reply.DataLength = 512;
    StoreLe16(reply.Data, nvme_offset::Temperature, 300);
    return reply;
}

inline DriveInfo Drive(std::string firmware, std::int32_t interfaceType) {
    DriveInfo drive;
    drive.Index = 0;
    drive.Model = "VELMORA R730 SSD";
    drive.FirmwareRevision = std::move(firmware);
    drive.InterfaceType = interfaceType;
    return drive;
}

// The entry as ClrSMART_Attr leaves it, where every decoder starts.
inline DriveInfo Cleared(DriveInfo drive) {
    DriveTable table;
    table[0] = std::move(drive);
    ClrSMART_Attr(table, 0);
    return table[0];
}

}  // namespace velmora::test_support
