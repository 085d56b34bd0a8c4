#pragma once
// The drive sources of the service program: the machine's own or, when the
// administrators' registry value names a drive-set file, that set (read now,
// and again at the next request after the file changed). Lives for the
// whole program.

#include <optional>
#include <string>

#include "common/DriveSetEnvironment.h"
#include "common/win/ComWmiSource.h"
#include "common/win/Win32DeviceIo.h"

namespace velmora::win {

class DriveSources {
public:
    // driveSetPath: the configured drive-set file, if any.
    explicit DriveSources(const std::optional<std::string>& driveSetPath);
    DriveSources(const DriveSources&) = delete;
    DriveSources& operator=(const DriveSources&) = delete;

    [[nodiscard]] WmiSource& Wmi() { return environment_.Wmi(); }
    [[nodiscard]] DeviceIo& Devices() { return environment_.Devices(); }

private:
    ComWmiSource machineWmi_;
    Win32DeviceIo machineDevices_;
    DriveSetEnvironment environment_;
};

}  // namespace velmora::win
