#pragma once
// The console's "updates" command: the same exchange as the toolbox's check,
// with the same settings and drive table, but nothing is asked, downloaded
// or written to the settings. Also the two ways the console prints offers.

#include <string>
#include <vector>

#include "drives/DriveTable.h"
#include "update/ProxySettings.h"
#include "update/ReplyTrust.h"
#include "update/UpdateCrypto.h"
#include "update/UpdateHost.h"
#include "update/UpdateOffer.h"
#include "update/UpdateTransport.h"

namespace velmora::cli {

// Clears NewFirmwareVersion of every drive, asks the service and returns the
// offers its reply may make (setting NewFirmwareVersion as a check does).
// Throws UpdateError with the message the toolbox would show.
struct OfferSources {
    update::UpdateTransport& Transport;
    update::UpdateHostSource& Hosts;
    update::UpdateTrustSource& Trust;
    update::UpdateCrypto& Crypto;
};
[[nodiscard]] std::vector<update::UpdateOffer> ListUpdateOffers(const OfferSources& sources,
                                                                const update::ProxySettings& proxy, DriveTable& drives);

// One line per offer, each ending in '\n'; nothing for no offers. Control
// characters from the reply show as '?'. An offer not verified ends in
// " (unverified)".
[[nodiscard]] std::string FormatOffersText(const std::vector<update::UpdateOffer>& offers);

// {"offers": [{"kind": ..., "drive_model": ..., "offered_version": ...,
// "file_name": ..., "url": ..., "verified": true|false}]} in UTF-8 (texts come in the ANSI code
// page), followed by '\n'.
[[nodiscard]] std::string FormatOffersJson(const std::vector<update::UpdateOffer>& offers);

}  // namespace velmora::cli
