// The layouts common/StorageLayout.h mirrors, checked against the system's
// own declarations: every program links this library, so no Windows build
// succeeds with an offset, size or value that disagrees. Nothing here runs.
//
// winioctl.h holds everything checked but the NVMe log page, which comes
// from nvme.h; ntddstor.h has older copies of the query and descriptor
// without the protocol structures or BusTypeNvme, so it is not used. The
// fields read as 32-bit words are checked for their width too.

#include <windows.h>
#include <winioctl.h>
#include <nvme.h>

#include <cstddef>

#include "common/StorageLayout.h"

namespace velmora::win {
namespace {

constexpr std::size_t kWord = 4;

namespace pq = property_query;
static_assert(offsetof(STORAGE_PROPERTY_QUERY, PropertyId) == pq::PropertyIdOffset);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, QueryType) == pq::QueryTypeOffset);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) == pq::HeaderSize);
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == pq::Size);
static_assert(sizeof(STORAGE_PROPERTY_QUERY::PropertyId) == kWord);
static_assert(sizeof(STORAGE_PROPERTY_QUERY::QueryType) == kWord);
static_assert(StorageDeviceProperty == pq::StorageDeviceProperty);
static_assert(StorageDeviceProtocolSpecificProperty == pq::StorageDeviceProtocolSpecificProperty);
static_assert(PropertyStandardQuery == pq::PropertyStandardQuery);

namespace dd = device_descriptor;
static_assert(offsetof(STORAGE_DESCRIPTOR_HEADER, Version) == dd::VersionOffset);
static_assert(offsetof(STORAGE_DESCRIPTOR_HEADER, Size) == dd::SizeOffset);
static_assert(sizeof(STORAGE_DESCRIPTOR_HEADER) == dd::HeaderSize);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, Version) == dd::VersionOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, Size) == dd::SizeOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, DeviceType) == dd::DeviceTypeOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, DeviceTypeModifier) == dd::DeviceTypeModifierOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RemovableMedia) == dd::RemovableMediaOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, CommandQueueing) == dd::CommandQueueingOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset) == dd::VendorIdOffsetOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset) == dd::ProductIdOffsetOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductRevisionOffset) == dd::ProductRevisionOffsetOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset) == dd::SerialNumberOffsetOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == dd::BusTypeOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RawPropertiesLength) == dd::RawPropertiesLengthOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RawDeviceProperties) == dd::RawDevicePropertiesOffset);
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR) == dd::FixedSize);
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR::ProductIdOffset) == kWord);
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR::ProductRevisionOffset) == kWord);
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR::SerialNumberOffset) == kWord);
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR::BusType) == kWord);
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR::RawPropertiesLength) == kWord);

static_assert(BusTypeAta == bus_type::Ata);
static_assert(BusTypeUsb == bus_type::Usb);
static_assert(BusTypeSata == bus_type::Sata);
static_assert(BusTypeNvme == bus_type::Nvme);

namespace pd = protocol_descriptor;
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, Version) == pd::VersionOffset);
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, Size) == pd::SizeOffset);
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData) == pd::ProtocolBlockOffset);
static_assert(sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR) == pd::Size);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolType) == pd::ProtocolTypeOffset);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, DataType) == pd::DataTypeOffset);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestValue) == pd::RequestValueOffset);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue) == pd::RequestSubValueOffset);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataOffset) == pd::DataOffsetOffset);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataLength) == pd::DataLengthOffset);
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) == pd::ProtocolBlockSize);
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA::ProtocolType) == kWord);
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA::DataType) == kWord);
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA::ProtocolDataRequestValue) == kWord);
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA::ProtocolDataRequestSubValue) == kWord);
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA::ProtocolDataOffset) == kWord);
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA::ProtocolDataLength) == kWord);
static_assert(ProtocolTypeNvme == pd::ProtocolTypeNvme);
static_assert(NVMeDataTypeLogPage == pd::NvmeDataTypeLogPage);

// The query's protocol block goes where AdditionalParameters begin and comes
// back where the answer's ProtocolSpecificData lies.
static_assert(offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) == nvme_query::ProtocolBlock);
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData) == nvme_query::ProtocolBlock);
static_assert(NVME_MAX_LOG_SIZE == nvme_query::DataRoom);
static_assert(sizeof(NVME_HEALTH_INFO_LOG) == nvme_query::HealthLogSize);
static_assert(NVME_LOG_PAGE_HEALTH_INFO == nvme_query::HealthInfoLogId);

// The health log's fields (the critical warning's bits are bit fields
// there, which offsetof cannot reach).
static_assert(offsetof(NVME_HEALTH_INFO_LOG, CriticalWarning) == nvme_health_log::CriticalWarningOffset);
static_assert(offsetof(NVME_HEALTH_INFO_LOG, Temperature) == nvme_health_log::CompositeTemperatureOffset);
static_assert(offsetof(NVME_HEALTH_INFO_LOG, PercentageUsed) == nvme_health_log::PercentageUsedOffset);
static_assert(offsetof(NVME_HEALTH_INFO_LOG, DataUnitWritten) == nvme_health_log::DataUnitsWrittenOffset);
static_assert(offsetof(NVME_HEALTH_INFO_LOG, PowerCycle) == nvme_health_log::PowerCyclesOffset);
static_assert(offsetof(NVME_HEALTH_INFO_LOG, PowerOnHours) == nvme_health_log::PowerOnHoursOffset);
static_assert(offsetof(NVME_HEALTH_INFO_LOG, MediaErrors) == nvme_health_log::MediaErrorsOffset);

static_assert(ERROR_INVALID_FUNCTION == device_error::InvalidFunction);
static_assert(ERROR_FILE_NOT_FOUND == device_error::FileNotFound);
static_assert(ERROR_NOT_ENOUGH_MEMORY == device_error::NotEnoughMemory);
static_assert(ERROR_NOT_SUPPORTED == device_error::NotSupported);
static_assert(ERROR_INVALID_PARAMETER == device_error::InvalidParameter);
static_assert(ERROR_INSUFFICIENT_BUFFER == device_error::InsufficientBuffer);

}  // namespace
}  // namespace velmora::win
