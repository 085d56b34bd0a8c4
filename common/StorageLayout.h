#pragma once
// The byte layout of the storage property query and of the two answers the
// programs ask for (IOCTL_STORAGE_QUERY_PROPERTY): the device descriptor and
// the protocol-specific data descriptor. Both the decoders and the simulated
// devices read and write these buffers field by field through these offsets.

#include <cstddef>
#include <cstdint>

namespace velmora {

// System error codes storage devices give.
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

}  // namespace velmora
