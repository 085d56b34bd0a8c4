#pragma once
// The console's "updates" command: the same exchange as the toolbox's check,
// with the same settings and drive table, but nothing is asked, downloaded
// or written to the settings. Also the two ways the console prints offers.

#include <string>
#include <vector>

#include "drives/DriveTable.h"
#include "update/ProxySettings.h"
#include "update/UpdateHost.h"
#include "update/UpdateOffer.h"
#include "update/UpdateTransport.h"

namespace velmora::cli {

// Clears NewFirmwareVersion of every drive, asks the service and returns its
// offers (setting NewFirmwareVersion as a check does). Throws UpdateError
// with the message the toolbox would show.
[[nodiscard]] std::vector<update::UpdateOffer> ListUpdateOffers(update::UpdateTransport& transport, update::UpdateHostSource& hosts,
                                                        const update::ProxySettings& proxy, DriveTable& drives);

// One line per offer, each ending in '\n'; nothing for no offers. Control
// characters from the reply show as '?'.
[[nodiscard]] std::string FormatOffersText(const std::vector<update::UpdateOffer>& offers);

// {"offers": [{"kind": ..., "drive_model": ..., "offered_version": ...,
// "file_name": ..., "url": ...}]} in UTF-8 (texts come in the ANSI code
// page), followed by '\n'.
[[nodiscard]] std::string FormatOffersJson(const std::vector<update::UpdateOffer>& offers);

}  // namespace velmora::cli
