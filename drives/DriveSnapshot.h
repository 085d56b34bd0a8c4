#pragma once
// One drive's identity and values as "status --json" prints them and the
// history stores them, worked out in one place so the two never disagree.

#include "drives/DriveTable.h"
#include "history/HistoryRecords.h"

namespace velmora {

// The entry after a refresh that gave refreshResult (0 = refreshed). Texts
// are UTF-8. The values are empty (null) when the refresh failed or the
// drive did not give them; the life meter is the window's gauge position,
// empty after a failed refresh; the status follows the status rules.
[[nodiscard]] history::DriveSample SnapshotDrive(const DriveInfo& drive, int refreshResult);

}  // namespace velmora
