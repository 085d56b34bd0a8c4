#pragma once
// The byte layout of the buffers IOCTL_STORAGE_QUERY_PROPERTY takes and
// gives: the property query, the device descriptor it answers with, and the
// NVMe health-log query, whose answer (the protocol data descriptor) comes
// back in the same buffer. The readers, the simulated devices and the tests
// read and write these buffers field by field through these names only. The
// Windows build checks every offset, size and value here against the system
// headers (common/win/StorageLayoutCheck.cpp).

#include <cstddef>
#include <cstdint>

namespace velmora {

// System error codes storage devices and the readers give.
namespace device_error {
inline constexpr std::uint32_t InvalidFunction = 1;
inline constexpr std::uint32_t FileNotFound = 2;
inline constexpr std::uint32_t NotEnoughMemory = 8;
inline constexpr std::uint32_t NotSupported = 50;
inline constexpr std::uint32_t InvalidParameter = 87;
inline constexpr std::uint32_t InsufficientBuffer = 122;
}  // namespace device_error

// STORAGE_PROPERTY_QUERY; a protocol query puts its protocol block where
// AdditionalParameters begin.
namespace property_query {
inline constexpr std::size_t PropertyIdOffset = 0;
inline constexpr std::size_t QueryTypeOffset = 4;
inline constexpr std::size_t HeaderSize = 8;  // PropertyId and QueryType: the least a device reads
inline constexpr std::size_t Size = 12;       // sizeof, padding included: the standard query's length
inline constexpr std::uint32_t StorageDeviceProperty = 0;
inline constexpr std::uint32_t StorageDeviceProtocolSpecificProperty = 50;
inline constexpr std::uint32_t PropertyStandardQuery = 0;
}  // namespace property_query

// STORAGE_DEVICE_DESCRIPTOR; the strings follow the fixed part.
namespace device_descriptor {
inline constexpr std::size_t VersionOffset = 0;
inline constexpr std::size_t SizeOffset = 4;
inline constexpr std::size_t DeviceTypeOffset = 8;
inline constexpr std::size_t DeviceTypeModifierOffset = 9;
inline constexpr std::size_t RemovableMediaOffset = 10;
inline constexpr std::size_t CommandQueueingOffset = 11;
inline constexpr std::size_t VendorIdOffsetOffset = 12;
inline constexpr std::size_t ProductIdOffsetOffset = 16;
inline constexpr std::size_t ProductRevisionOffsetOffset = 20;
inline constexpr std::size_t SerialNumberOffsetOffset = 24;
inline constexpr std::size_t BusTypeOffset = 28;
inline constexpr std::size_t RawPropertiesLengthOffset = 32;
inline constexpr std::size_t RawDevicePropertiesOffset = 36;
inline constexpr std::size_t FixedSize = 40;  // sizeof, padding included: also the Version value
inline constexpr std::size_t HeaderSize = 8;  // STORAGE_DESCRIPTOR_HEADER: the least a caller may ask for
}  // namespace device_descriptor

// STORAGE_BUS_TYPE values the programs tell apart.
namespace bus_type {
inline constexpr std::int32_t Ata = 3;
inline constexpr std::int32_t Usb = 7;
inline constexpr std::int32_t Sata = 11;
inline constexpr std::int32_t Nvme = 17;
}  // namespace bus_type

// STORAGE_PROTOCOL_DATA_DESCRIPTOR with its STORAGE_PROTOCOL_SPECIFIC_DATA.
namespace protocol_descriptor {
inline constexpr std::size_t VersionOffset = 0;
inline constexpr std::size_t SizeOffset = 4;
inline constexpr std::size_t ProtocolBlockOffset = 8;
// Within the protocol block (the same in the query and the answer).
inline constexpr std::size_t ProtocolTypeOffset = 0;
inline constexpr std::size_t DataTypeOffset = 4;
inline constexpr std::size_t RequestValueOffset = 8;
inline constexpr std::size_t RequestSubValueOffset = 12;
inline constexpr std::size_t DataOffsetOffset = 16;  // counted from the protocol block
inline constexpr std::size_t DataLengthOffset = 20;
inline constexpr std::size_t ProtocolBlockSize = 40;
inline constexpr std::size_t Size = ProtocolBlockOffset + ProtocolBlockSize;  // also the Version value
inline constexpr std::uint32_t ProtocolTypeNvme = 3;
inline constexpr std::uint32_t NvmeDataTypeLogPage = 2;
}  // namespace protocol_descriptor

// The NVMe health-log query: one buffer holds the property query's head, the
// protocol block and room for the log. The driver writes the protocol data
// descriptor back into the same buffer; its head is as long as the query's,
// so the protocol block stays in place.
namespace nvme_query {
inline constexpr std::size_t ProtocolBlock = property_query::HeaderSize;
static_assert(ProtocolBlock == protocol_descriptor::ProtocolBlockOffset);
inline constexpr std::size_t DataRoom = 4096;  // the largest log page
inline constexpr std::size_t BufferSize = ProtocolBlock + protocol_descriptor::ProtocolBlockSize + DataRoom;
inline constexpr std::size_t HealthLogSize = 512;    // SMART / Health Information
inline constexpr std::uint32_t HealthInfoLogId = 2;  // its log identifier
}  // namespace nvme_query

// NVME_HEALTH_INFO_LOG: the fields the programs read, and the critical
// warning's bits.
namespace nvme_health_log {
inline constexpr std::size_t CriticalWarningOffset = 0;
inline constexpr std::size_t CompositeTemperatureOffset = 1;  // kelvin, 16 bits
inline constexpr std::size_t PercentageUsedOffset = 5;
inline constexpr std::size_t DataUnitsWrittenOffset = 48;  // 128 bits; the low 64 are read
inline constexpr std::size_t PowerCyclesOffset = 112;
inline constexpr std::size_t PowerOnHoursOffset = 128;
inline constexpr std::size_t MediaErrorsOffset = 160;
inline constexpr std::uint8_t SpareBelowThreshold = 0x01;
inline constexpr std::uint8_t TemperatureThreshold = 0x02;
inline constexpr std::uint8_t ReliabilityDegraded = 0x04;
inline constexpr std::uint8_t ReadOnly = 0x08;
inline constexpr std::uint8_t VolatileBackupFailed = 0x10;
}  // namespace nvme_health_log

}  // namespace velmora
