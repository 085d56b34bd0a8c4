#pragma once
// The drive events of one run that listed the drives, judged against what
// the history knew before it (each drive's last stored sample and state),
// so an event is raised on a change only, once:
//   1005 a drive seen for the first time, with 1001/1002 when it is BAD/UNKNOWN then;
//   1001 became BAD, 1002 became UNKNOWN, 1003 OK again after BAD or UNKNOWN;
//   1004 the life meter reached 10, 5 or 0 percent: one event for the lowest
//        threshold newly reached; a threshold is armed again only when a
//        later meter rises above it;
//   1006 a drive the previous listing saw is no longer found.

#include <span>
#include <vector>

#include "history/KnownDrives.h"
#include "history/RunRecord.h"
#include "watch/WatchEvent.h"

namespace velmora::watch {

inline constexpr int kLifeThresholds[] = {0, 5, 10};  // lowest first

[[nodiscard]] std::vector<WatchEvent> JudgeTransitions(std::span<const history::KnownDrive> known,
                                                       std::span<const history::TimedSample> samples);

}  // namespace velmora::watch
