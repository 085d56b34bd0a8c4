#pragma once
// The NVMe SMART / Health Information log page (log 02h, 512 bytes), read
// through the storage driver's protocol-specific property query on
// "\\.\PhysicalDrive<n>". Failures are reported under unit NVMe.

#include <cstdint>
#include <string>

#include "common/DeviceIo.h"
#include "common/PipeRecords.h"
#include "common/StorageLayout.h"

namespace velmora {

namespace nvme_line {
inline constexpr std::int32_t NoBuffer = 170;
inline constexpr std::int32_t OpenFailed = 202;
inline constexpr std::int32_t QueryFailed = 218;
inline constexpr std::int32_t WrongDescriptor = 228;
inline constexpr std::int32_t WrongPlacement = 237;
}  // namespace nvme_line

// "\\.\PhysicalDrive" followed by the decimal drive number.
[[nodiscard]] std::string PhysicalDrivePath(std::int32_t driveNumber);

// 0 with DataLength = 512 and the log in the first 512 bytes of Data; -1
// after a report with the reply untouched. A descriptor whose data (offset
// plus length) would reach past the query buffer fails like one whose data
// lies too early; a query buffer that cannot be had is reported as NoBuffer.
[[nodiscard]] int ReadNvmeHealthLog(DeviceIo& devices, std::int32_t driveNumber, PipeReply& reply);

}  // namespace velmora
