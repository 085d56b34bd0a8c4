#pragma once
// One refresh of a table entry's SMART half: ask the service, check the
// reply, clear the half and decode it by the entry's interface.

#include "drives/DriveTable.h"
#include "drives/PipeClient.h"

namespace velmora {

// Resets the SMART half of entry index: flags 0, the seven values -1,
// OverTemperature 0; WarningShown keeps its value. An index outside 0..15
// raises std::out_of_range("Index out of range! (ClrSMART_Attr)").
void ClrSMART_Attr(DriveTable& table, int index);

// 0 on success, -1 on failure. A failed exchange (unit smart, line 176, the
// client's result) or a reply whose checksum is wrong (line 182, code 0) is
// reported and leaves the entry as it was. A reply without data gives 0 with
// every value unknown; an interface other than SATA or NVMe gives -1 after
// the reset, without a report. An index outside 0..15 raises
// std::out_of_range("Index out of range! (operator[])").
[[nodiscard]] int RefreshDriveSmart(DriveTable& table, int index, PipeSystem& pipes);

}  // namespace velmora
