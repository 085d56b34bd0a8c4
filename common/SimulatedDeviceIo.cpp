#include "common/SimulatedDeviceIo.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "common/ByteOrder.h"

namespace velmora {

namespace {

namespace dd = device_descriptor;
namespace pd = protocol_descriptor;

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SamePath(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

std::string PhysicalDrivePath(std::int32_t index) { return "\\\\.\\PhysicalDrive" + std::to_string(index); }

using HealthLog = std::array<std::uint8_t, nvme_query::HealthLogSize>;

IoResult Failed(std::uint32_t error) { return IoResult{false, 0, error}; }

class SimulatedDevice final : public Device {
public:
    SimulatedDevice(std::vector<std::uint8_t> descriptor, std::optional<HealthLog> healthLog)
        : descriptor_(std::move(descriptor)), healthLog_(std::move(healthLog)) {}

    IoResult QueryProperty(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) override {
        if (input.size() < property_query::HeaderSize) return Failed(device_error::InvalidParameter);
        const std::uint32_t propertyId = LoadLe32(input, property_query::PropertyIdOffset);
        const std::uint32_t queryType = LoadLe32(input, property_query::QueryTypeOffset);
        if (queryType != property_query::PropertyStandardQuery) return Failed(device_error::InvalidFunction);
        if (propertyId == property_query::StorageDeviceProperty) return Descriptor(output);
        if (propertyId == property_query::StorageDeviceProtocolSpecificProperty) return Protocol(input, output);
        return Failed(device_error::InvalidFunction);
    }

private:
    // Like the class driver: the header at least, then as much as fits.
    IoResult Descriptor(std::span<std::uint8_t> output) const {
        if (output.size() < dd::HeaderSize) return Failed(device_error::InsufficientBuffer);
        const std::size_t count = std::min(output.size(), descriptor_.size());
        std::copy_n(descriptor_.begin(), count, output.begin());
        return IoResult{true, static_cast<std::uint32_t>(count), 0};
    }

    IoResult Protocol(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) const {
        if (input.size() < property_query::HeaderSize + pd::ProtocolBlockSize) {
            return Failed(device_error::InvalidParameter);
        }
        const auto block = input.subspan(property_query::HeaderSize, pd::ProtocolBlockSize);
        const std::uint32_t protocolType = LoadLe32(block, pd::ProtocolTypeOffset);
        const std::uint32_t dataType = LoadLe32(block, pd::DataTypeOffset);
        const std::uint32_t requestValue = LoadLe32(block, pd::RequestValueOffset);
        const std::uint32_t subValue = LoadLe32(block, pd::RequestSubValueOffset);
        const std::uint32_t dataOffset = LoadLe32(block, pd::DataOffsetOffset);
        const std::uint32_t dataLength = LoadLe32(block, pd::DataLengthOffset);
        // A drive that does not speak NVMe, or a log page the set has no data for.
        if (!healthLog_ || protocolType != pd::ProtocolTypeNvme || dataType != pd::NvmeDataTypeLogPage ||
            requestValue != nvme_query::HealthInfoLogId) {
            return Failed(device_error::NotSupported);
        }
        if (dataOffset < pd::ProtocolBlockSize || dataLength < nvme_query::HealthLogSize) {
            return Failed(device_error::InvalidParameter);
        }
        const std::size_t total = pd::Size + nvme_query::HealthLogSize;
        if (output.size() < total) return Failed(device_error::InsufficientBuffer);

        // Input and output may share one buffer: everything needed was read above.
        std::fill_n(output.begin(), total, std::uint8_t{0});
        StoreLe32(output, pd::VersionOffset, pd::Size);
        StoreLe32(output, pd::SizeOffset, pd::Size);
        const auto answer = output.subspan(pd::ProtocolBlockOffset, pd::ProtocolBlockSize);
        StoreLe32(answer, pd::ProtocolTypeOffset, protocolType);
        StoreLe32(answer, pd::DataTypeOffset, dataType);
        StoreLe32(answer, pd::RequestValueOffset, requestValue);
        StoreLe32(answer, pd::RequestSubValueOffset, subValue);
        StoreLe32(answer, pd::DataOffsetOffset, pd::ProtocolBlockSize);
        StoreLe32(answer, pd::DataLengthOffset, nvme_query::HealthLogSize);
        std::copy(healthLog_->begin(), healthLog_->end(), output.begin() + pd::Size);
        return IoResult{true, static_cast<std::uint32_t>(total), 0};
    }

    std::vector<std::uint8_t> descriptor_;
    std::optional<HealthLog> healthLog_;
};

// Appends a NUL-terminated string and stores its offset; a missing one stays 0.
void AppendString(std::vector<std::uint8_t>& bytes, std::size_t offsetField, const std::optional<std::string>& text) {
    if (!text) return;
    StoreLe32(bytes, offsetField, static_cast<std::uint32_t>(bytes.size()));
    bytes.insert(bytes.end(), text->begin(), text->end());
    bytes.push_back(0);
}

}  // namespace

std::vector<std::uint8_t> BuildDeviceDescriptor(const DriveSetDisk& disk) {
    std::vector<std::uint8_t> bytes(dd::FixedSize, 0);
    AppendString(bytes, dd::ProductIdOffsetOffset, disk.ProductId);
    AppendString(bytes, dd::ProductRevisionOffsetOffset, disk.ProductRevision);
    AppendString(bytes, dd::SerialNumberOffsetOffset, disk.DescriptorSerial);
    StoreLe32(bytes, dd::VersionOffset, static_cast<std::uint32_t>(dd::FixedSize));
    StoreLe32(bytes, dd::SizeOffset, static_cast<std::uint32_t>(bytes.size()));
    StoreLe32(bytes, dd::BusTypeOffset, disk.BusType.value_or(0));
    // The strings after the fixed part stand for the raw properties.
    StoreLe32(bytes, dd::RawPropertiesLengthOffset, static_cast<std::uint32_t>(bytes.size() - dd::FixedSize));
    return bytes;
}

SimulatedDeviceIo::SimulatedDeviceIo(DriveSet set) : set_(std::move(set)) {}

std::unique_ptr<Device> SimulatedDeviceIo::Open(const std::string& path, DeviceAccess, std::uint32_t& error) {
    if (!set_.Broken) {
        for (const DriveSetDisk& disk : set_.Disks) {
            const bool byDeviceId = disk.HasDescriptor() && disk.DeviceID && SamePath(path, *disk.DeviceID);
            const auto index = disk.NumericIndex();
            const bool byDriveNumber = disk.HealthLog && index && SamePath(path, PhysicalDrivePath(*index));
            if (byDeviceId || byDriveNumber) {
                error = 0;
                return std::make_unique<SimulatedDevice>(BuildDeviceDescriptor(disk), disk.HealthLog);
            }
        }
    }
    error = device_error::FileNotFound;
    return nullptr;
}

}  // namespace velmora
