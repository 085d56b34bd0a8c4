#include "service/win/ServiceRuntime.h"

namespace velmora::win {

DriveSources::DriveSources(const std::optional<std::string>& driveSetPath)
    : environment_(driveSetPath, machineWmi_, machineDevices_) {}

}  // namespace velmora::win
