#include "service/NvmeHealthLogReader.h"

#include <algorithm>
#include <new>
#include <span>

#include "common/ByteOrder.h"
#include "common/ErrorReport.h"

namespace velmora {

namespace {

std::vector<std::uint8_t> AllocateZeroed(std::size_t size) { return std::vector<std::uint8_t>(size, 0); }

void FillQuery(std::span<std::uint8_t> buffer) {
    using namespace nvme_query;
    StoreLe32(buffer, PropertyId, StorageDeviceProtocolSpecificProperty);
    StoreLe32(buffer, QueryType, PropertyStandardQuery);
    StoreLe32(buffer, ProtocolType, ProtocolTypeNvme);
    StoreLe32(buffer, DataType, NVMeDataTypeLogPage);
    StoreLe32(buffer, ProtocolDataRequestValue, HealthInfoLogId);
    StoreLe32(buffer, ProtocolDataRequestSubValue, 0);
    StoreLe32(buffer, ProtocolDataOffset, ProtocolBlockSize);
    StoreLe32(buffer, ProtocolDataLength, HealthLogSize);
}

}  // namespace

std::string PhysicalDrivePath(std::int32_t driveNumber) {
    return "\\\\.\\PhysicalDrive" + std::to_string(driveNumber);
}

int ReadNvmeHealthLog(DeviceIo& devices, std::int32_t driveNumber, PipeReply& reply) {
    return ReadNvmeHealthLog(devices, driveNumber, reply, &AllocateZeroed);
}

int ReadNvmeHealthLog(DeviceIo& devices, std::int32_t driveNumber, PipeReply& reply,
                      QueryBufferAllocator allocate) {
    using namespace nvme_query;
    std::vector<std::uint8_t> buffer;
    try {
        buffer = allocate(BufferSize);
        // Whatever the allocator gave, the query works on exactly BufferSize zeroed bytes.
        buffer.assign(BufferSize, 0);
    } catch (const std::bad_alloc&) {
        ReportError(unit::NVMe, nvme_line::NoBuffer, static_cast<std::int32_t>(kErrorNotEnoughMemory));
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
    if (LoadLe32(buffer, Version) != DescriptorSize || LoadLe32(buffer, Size) != DescriptorSize) {
        ReportError(unit::NVMe, nvme_line::WrongDescriptor, code);
        return -1;
    }
    const std::uint64_t offset = LoadLe32(buffer, ProtocolDataOffset);
    const std::uint64_t length = LoadLe32(buffer, ProtocolDataLength);
    // Offset and length are the driver's word; a log that would end past the
    // buffer is refused, however few of its bytes are copied.
    if (offset < ProtocolBlockSize || length < HealthLogSize || ProtocolBlock + offset + length > BufferSize) {
        ReportError(unit::NVMe, nvme_line::WrongPlacement, code);
        return -1;
    }

    const auto start = buffer.begin() + static_cast<std::ptrdiff_t>(ProtocolBlock + offset);
    std::copy(start, start + static_cast<std::ptrdiff_t>(HealthLogSize), reply.Data.begin());
    reply.DataLength = static_cast<std::int32_t>(HealthLogSize);
    return 0;
}

}  // namespace velmora
