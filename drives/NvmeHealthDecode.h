#pragma once
// The NVMe SMART / Health Information log page (log 02h) as the service
// forwards it in a reply's Data, turned into the SMART half of an entry.

#include "drives/DriveTable.h"
#include "common/PipeRecords.h"

namespace velmora {

// Fills the SMART half of an entry already cleared by ClrSMART_Attr.
// Erase counts stay unknown: the log page has none. Always 0.
[[nodiscard]] int DecodeNvmeHealth(DriveInfo& drive, const PipeReply& reply);

}  // namespace velmora
