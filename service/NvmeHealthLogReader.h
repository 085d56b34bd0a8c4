#pragma once
// The NVMe SMART / Health Information log page (log 02h, 512 bytes), read
// through the storage driver's protocol-specific property query on
// "\\.\PhysicalDrive<n>". Failures are reported under unit NVMe.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/DeviceIo.h"
#include "common/PipeRecords.h"
#include "common/StorageLayout.h"

namespace velmora {

// The query buffer: an 8-byte STORAGE_PROPERTY_QUERY head, the 40-byte
// STORAGE_PROTOCOL_SPECIFIC_DATA block and room for the returned data. The
// same buffer carries the STORAGE_PROTOCOL_DATA_DESCRIPTOR back.
namespace nvme_query {
inline constexpr std::size_t HeaderSize = 8;
inline constexpr std::size_t ProtocolBlockSize = 40;
inline constexpr std::size_t DataRoom = 4096;
inline constexpr std::size_t BufferSize = 4144;
inline constexpr std::size_t DescriptorSize = 48;  // STORAGE_PROTOCOL_DATA_DESCRIPTOR
inline constexpr std::size_t HealthLogSize = 512;  // NVME_HEALTH_INFO_LOG
static_assert(BufferSize == HeaderSize + ProtocolBlockSize + DataRoom);
static_assert(DescriptorSize == HeaderSize + ProtocolBlockSize);
static_assert(HealthLogSize <= PIPE_DATA_SIZE, "the health log must fit the reply's Data");

// Input: STORAGE_PROPERTY_QUERY and its protocol block; the answer's
// descriptor head has the same size, so the protocol block stays in place.
inline constexpr std::size_t PropertyId = property_query::PropertyIdOffset;
inline constexpr std::size_t QueryType = property_query::QueryTypeOffset;
inline constexpr std::size_t ProtocolBlock = protocol_descriptor::ProtocolBlockOffset;
inline constexpr std::size_t ProtocolType = ProtocolBlock + protocol_descriptor::ProtocolTypeOffset;
inline constexpr std::size_t DataType = ProtocolBlock + protocol_descriptor::DataTypeOffset;
inline constexpr std::size_t ProtocolDataRequestValue = ProtocolBlock + protocol_descriptor::RequestValueOffset;
inline constexpr std::size_t ProtocolDataRequestSubValue = ProtocolBlock + protocol_descriptor::RequestSubValueOffset;
inline constexpr std::size_t ProtocolDataOffset = ProtocolBlock + protocol_descriptor::DataOffsetOffset;
inline constexpr std::size_t ProtocolDataLength = ProtocolBlock + protocol_descriptor::DataLengthOffset;
inline constexpr std::size_t Version = protocol_descriptor::VersionOffset;
inline constexpr std::size_t Size = protocol_descriptor::SizeOffset;
static_assert(ProtocolBlock == HeaderSize && HeaderSize == property_query::HeaderSize);
static_assert(ProtocolDataOffset == 24 && ProtocolDataLength == 28);
static_assert(DescriptorSize == protocol_descriptor::Size);

inline constexpr std::uint32_t StorageDeviceProtocolSpecificProperty = property_query::StorageDeviceProtocolSpecificProperty;
inline constexpr std::uint32_t PropertyStandardQuery = property_query::PropertyStandardQuery;
inline constexpr std::uint32_t ProtocolTypeNvme = protocol_descriptor::ProtocolTypeNvme;
inline constexpr std::uint32_t NVMeDataTypeLogPage = protocol_descriptor::NvmeDataTypeLogPage;
inline constexpr std::uint32_t HealthInfoLogId = protocol_descriptor::HealthInfoLogId;
}  // namespace nvme_query

namespace nvme_line {
inline constexpr std::int32_t NoBuffer = 170;
inline constexpr std::int32_t OpenFailed = 202;
inline constexpr std::int32_t QueryFailed = 218;
inline constexpr std::int32_t WrongDescriptor = 228;
inline constexpr std::int32_t WrongPlacement = 237;
}  // namespace nvme_line

inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY

// "\\.\PhysicalDrive" followed by the decimal drive number.
[[nodiscard]] std::string PhysicalDrivePath(std::int32_t driveNumber);

// Gives a zeroed buffer of the size asked; raises std::bad_alloc when memory is short.
using QueryBufferAllocator = std::vector<std::uint8_t> (*)(std::size_t size);

// 0 with DataLength = 512 and the log in the first 512 bytes of Data; -1
// after a report with the reply untouched. A descriptor whose data (offset
// plus length) would reach past the query buffer fails like one whose data
// lies too early.
[[nodiscard]] int ReadNvmeHealthLog(DeviceIo& devices, std::int32_t driveNumber, PipeReply& reply);
[[nodiscard]] int ReadNvmeHealthLog(DeviceIo& devices, std::int32_t driveNumber, PipeReply& reply,
                                    QueryBufferAllocator allocate);

}  // namespace velmora
