#pragma once
// "capture": this machine's disks as a drive-set file (their WMI rows, their
// storage descriptors and the service's answer for each), so a support
// engineer can replay a customer's machine with the same results.

#include "drives/PipeClient.h"
#include "cli/StatusCommand.h"
#include "common/DeviceIo.h"
#include "common/DriveSet.h"
#include "common/WmiSource.h"

namespace velmora::cli {

// The captured set; Broken when the disk query failed (already reported).
[[nodiscard]] DriveSet CaptureDriveSet(WmiSource& wmi, DeviceIo& devices, PipeSystem& pipes);

// Out holds the file text when ExitStatus is 0.
[[nodiscard]] ConsoleOutput RunCapture(WmiSource& wmi, DeviceIo& devices, PipeSystem& pipes);

}  // namespace velmora::cli
