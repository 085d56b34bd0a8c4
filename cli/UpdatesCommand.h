#pragma once
// "updates": the toolbox's update exchange for the found drives, listing the
// offers without downloading anything or asking anything.

#include "update/ProxySettings.h"
#include "cli/OfferListing.h"
#include "cli/StatusCommand.h"
#include "common/DeviceIo.h"
#include "common/WmiSource.h"

namespace velmora::cli {

// Enumerates the maker's drives (after the OS check) and lists the offers.
// The user message of a failed check goes to Err with exit status 4.
[[nodiscard]] ConsoleOutput RunUpdates(WmiSource& wmi, DeviceIo& devices, const OfferSources& sources,
                                       const update::ProxySettings& proxy, bool json);

}  // namespace velmora::cli
