#pragma once
// "watch --now"'s request to the health watch's service, through the
// service control manager. Connecting and sending a user-defined control
// need no administrator: the service's access rules decide who may.

#include "cli/WatchNowCommand.h"

namespace velmora::cli::win {

class WatchServiceControl final : public WatchControl {
public:
    std::uint32_t SendSampleNow() override;
};

}  // namespace velmora::cli::win
