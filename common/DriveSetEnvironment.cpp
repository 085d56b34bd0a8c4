#include "common/DriveSetEnvironment.h"

#include "common/DriveSetFile.h"
#include "common/SimulatedDeviceIo.h"
#include "common/SimulatedWmiSource.h"

namespace velmora {

DriveSetEnvironment::DriveSetEnvironment(const std::optional<std::string>& driveSetPath, WmiSource& realWmi,
                                         DeviceIo& realDevices)
    : wmi_(&realWmi), devices_(&realDevices) {
    if (!driveSetPath || driveSetPath->empty()) return;
    DriveSet set = LoadDriveSetFile(*driveSetPath);
    simulatedDevices_ = std::make_unique<SimulatedDeviceIo>(set);
    simulatedWmi_ = std::make_unique<SimulatedWmiSource>(std::move(set), realWmi);
    wmi_ = simulatedWmi_.get();
    devices_ = simulatedDevices_.get();
}

DriveSetEnvironment::~DriveSetEnvironment() = default;

}  // namespace velmora
