#pragma once
// The raw SMART report of every disk drive of the machine, not only the
// maker's: identity lines, the interface, and the service's data as an ATA
// attribute table or an NVMe log dump. The window's text area, its "Save to
// file" and the console's raw command all use these lines.

#include <string>
#include <string_view>
#include <vector>

#include "drives/PipeClient.h"
#include "common/DeviceIo.h"
#include "common/WmiSource.h"

namespace velmora {

// "SATA", "NVMe", "PATA", "USB"; "UNKNOWN" for 0 and any other value.
[[nodiscard]] std::string_view InterfaceText(std::int32_t interfaceType);

struct RawReport {
    std::vector<std::string> Lines;  // ANSI text, without line ends
    int Result = 0;                  // 0, or -1 when building stopped after a report (unit URawSMART)
};

// Builds the report over "Win32_DiskDrive". A failure is reported once and
// stops the building; the lines made before it are kept. A disk whose
// exchange with the service fails (reported by the pipe client) gets no
// SMART section and the report goes on.
[[nodiscard]] RawReport CollectRawReport(WmiSource& wmi, DeviceIo& io, PipeSystem& pipes,
                                         std::string_view osVersionPrefix);

// The saved file's bytes: the lines as they stand (system code page), each
// ended by CR LF.
[[nodiscard]] std::string RawReportFileBytes(const std::vector<std::string>& lines);

}  // namespace velmora
