#pragma once
// What a program reads its drives from: the machine's own WMI and devices,
// or, when a drive-set file is configured, the set (with the machine's WMI
// answering every class the set does not). Built once at program start; the
// file is read then and a bad one is reported then, exactly once.

#include <memory>
#include <optional>
#include <string>

#include "common/DeviceIo.h"
#include "common/WmiSource.h"

namespace velmora {

class SimulatedWmiSource;
class SimulatedDeviceIo;

class DriveSetEnvironment {
public:
    // realWmi and realDevices must outlive the environment.
    DriveSetEnvironment(const std::optional<std::string>& driveSetPath, WmiSource& realWmi,
                        DeviceIo& realDevices);
    ~DriveSetEnvironment();
    DriveSetEnvironment(const DriveSetEnvironment&) = delete;
    DriveSetEnvironment& operator=(const DriveSetEnvironment&) = delete;

    [[nodiscard]] WmiSource& Wmi() { return *wmi_; }
    [[nodiscard]] DeviceIo& Devices() { return *devices_; }

private:
    std::unique_ptr<SimulatedWmiSource> simulatedWmi_;
    std::unique_ptr<SimulatedDeviceIo> simulatedDevices_;
    WmiSource* wmi_;
    DeviceIo* devices_;
};

}  // namespace velmora
