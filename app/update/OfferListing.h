#pragma once
// The console's "updates" command: the same exchange as the toolbox's check,
// with the same settings and drive table, but nothing is asked, downloaded
// or written to the settings. Also the two ways the console prints offers.

#include <string>
#include <vector>

#include "app/DriveTable.h"
#include "app/update/ProxySettings.h"
#include "app/update/UpdateHost.h"
#include "app/update/UpdateOffer.h"
#include "app/update/UpdateTransport.h"

namespace velmora::update {

// Clears NewFirmwareVersion of every drive, asks the service and returns its
// offers (setting NewFirmwareVersion as a check does). Throws UpdateError
// with the message the toolbox would show.
[[nodiscard]] std::vector<UpdateOffer> ListUpdateOffers(UpdateTransport& transport, UpdateHostSource& hosts,
                                                        const ProxySettings& proxy, DriveTable& drives);

// One line per offer, each ending in '\n'; nothing for no offers.
[[nodiscard]] std::string FormatOffersText(const std::vector<UpdateOffer>& offers);

// {"offers": [{"kind": ..., "drive_model": ..., "offered_version": ...,
// "file_name": ..., "url": ...}]} in UTF-8 (texts come in the ANSI code
// page), followed by '\n'.
[[nodiscard]] std::string FormatOffersJson(const std::vector<UpdateOffer>& offers);

}  // namespace velmora::update
