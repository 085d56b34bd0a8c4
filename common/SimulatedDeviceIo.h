#pragma once
// Storage devices from a drive set. A disk's DeviceID opens (letter case
// ignored) when the set gives it a descriptor key (BusType, ProductId,
// ProductRevision, DescriptorSerial); "\\.\PhysicalDrive<Index>" opens when
// it has a HealthLog. An opened device answers the standard device-property
// query with a STORAGE_DEVICE_DESCRIPTOR laid out byte for byte as Windows
// lays it out, and, with a HealthLog, the NVMe health-log protocol query with
// a STORAGE_PROTOCOL_DATA_DESCRIPTOR followed by the log. Everything else
// fails with the error Windows gives. A broken set opens nothing.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/DeviceIo.h"
#include "common/DriveSet.h"

namespace velmora {

// System error codes the simulated devices give.
namespace device_error {
inline constexpr std::uint32_t InvalidFunction = 1;
inline constexpr std::uint32_t FileNotFound = 2;
inline constexpr std::uint32_t NotSupported = 50;
inline constexpr std::uint32_t InvalidParameter = 87;
inline constexpr std::uint32_t InsufficientBuffer = 122;
}  // namespace device_error

// STORAGE_PROPERTY_QUERY, and the protocol block that follows it.
namespace property_query {
inline constexpr std::size_t PropertyIdOffset = 0;
inline constexpr std::size_t QueryTypeOffset = 4;
inline constexpr std::size_t HeaderSize = 8;
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
inline constexpr std::size_t DataOffsetOffset = 16;
inline constexpr std::size_t DataLengthOffset = 20;
inline constexpr std::size_t ProtocolBlockSize = 40;
inline constexpr std::size_t Size = 48;  // also the Version value
inline constexpr std::uint32_t ProtocolTypeNvme = 3;
inline constexpr std::uint32_t NvmeDataTypeLogPage = 2;
inline constexpr std::uint32_t HealthInfoLogId = 2;
}  // namespace protocol_descriptor

class SimulatedDeviceIo final : public DeviceIo {
public:
    explicit SimulatedDeviceIo(DriveSet set);

    [[nodiscard]] std::unique_ptr<Device> Open(const std::string& path, DeviceAccess access,
                                               std::uint32_t& error) override;

private:
    DriveSet set_;
};

// The descriptor a disk's device returns, whole (callers cut it to their buffer).
[[nodiscard]] std::vector<std::uint8_t> BuildDeviceDescriptor(const DriveSetDisk& disk);

}  // namespace velmora
