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
#include "common/StorageLayout.h"

namespace velmora {

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
