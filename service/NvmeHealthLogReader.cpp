#include "service/NvmeHealthLogReader.h"

#include <algorithm>
#include <new>
#include <span>
#include <vector>

#include "common/ByteOrder.h"
#include "common/ErrorReport.h"

namespace velmora {

namespace {

namespace pd = protocol_descriptor;

static_assert(nvme_query::HealthLogSize <= PIPE_DATA_SIZE, "the health log must fit the reply's Data");

// The protocol block sits at the same place in the query and in the answer.
std::span<std::uint8_t> ProtocolBlock(std::span<std::uint8_t> buffer) {
    return buffer.subspan(nvme_query::ProtocolBlock, pd::ProtocolBlockSize);
}

void FillQuery(std::span<std::uint8_t> buffer) {
    StoreLe32(buffer, property_query::PropertyIdOffset, property_query::StorageDeviceProtocolSpecificProperty);
    StoreLe32(buffer, property_query::QueryTypeOffset, property_query::PropertyStandardQuery);
    const auto block = ProtocolBlock(buffer);
    StoreLe32(block, pd::ProtocolTypeOffset, pd::ProtocolTypeNvme);
    StoreLe32(block, pd::DataTypeOffset, pd::NvmeDataTypeLogPage);
    StoreLe32(block, pd::RequestValueOffset, nvme_query::HealthInfoLogId);
    StoreLe32(block, pd::RequestSubValueOffset, 0);
    StoreLe32(block, pd::DataOffsetOffset, pd::ProtocolBlockSize);
    StoreLe32(block, pd::DataLengthOffset, nvme_query::HealthLogSize);
}

}  // namespace

std::string PhysicalDrivePath(std::int32_t driveNumber) {
    return "\\\\.\\PhysicalDrive" + std::to_string(driveNumber);
}

int ReadNvmeHealthLog(DeviceIo& devices, std::int32_t driveNumber, PipeReply& reply) {
    std::vector<std::uint8_t> buffer;
    try {
        buffer.assign(nvme_query::BufferSize, 0);
    } catch (const std::bad_alloc&) {
        ReportError(unit::NVMe, nvme_line::NoBuffer, static_cast<std::int32_t>(device_error::NotEnoughMemory));
        return -1;
    }
    FillQuery(buffer);

    std::uint32_t error = 0;
    const std::unique_ptr<Device> device = devices.Open(PhysicalDrivePath(driveNumber), DeviceAccess::ReadWrite, error);
    if (!device) {
        ReportError(unit::NVMe, nvme_line::OpenFailed, static_cast<std::int32_t>(error));
        return -1;
    }

    const IoResult result = device->QueryProperty(buffer, buffer);
    const auto code = static_cast<std::int32_t>(result.Error);
    if (!result.Ok || result.BytesReturned == 0) {
        ReportError(unit::NVMe, nvme_line::QueryFailed, code);
        return -1;
    }
    if (LoadLe32(buffer, pd::VersionOffset) != pd::Size || LoadLe32(buffer, pd::SizeOffset) != pd::Size) {
        ReportError(unit::NVMe, nvme_line::WrongDescriptor, code);
        return -1;
    }
    const auto block = ProtocolBlock(buffer);
    const std::uint64_t offset = LoadLe32(block, pd::DataOffsetOffset);
    const std::uint64_t length = LoadLe32(block, pd::DataLengthOffset);
    // Offset and length are the driver's word; a log that would end past the
    // buffer is refused, however few of its bytes are copied.
    if (offset < pd::ProtocolBlockSize || length < nvme_query::HealthLogSize ||
        nvme_query::ProtocolBlock + offset + length > nvme_query::BufferSize) {
        ReportError(unit::NVMe, nvme_line::WrongPlacement, code);
        return -1;
    }

    const auto start = buffer.begin() + static_cast<std::ptrdiff_t>(nvme_query::ProtocolBlock + offset);
    std::copy(start, start + static_cast<std::ptrdiff_t>(nvme_query::HealthLogSize), reply.Data.begin());
    reply.DataLength = static_cast<std::int32_t>(nvme_query::HealthLogSize);
    return 0;
}

}  // namespace velmora
