#pragma once
// Reading the update service's reply into offers.

#include <functional>
#include <string_view>
#include <vector>

#include "drives/DriveTable.h"
#include "update/UpdateOffer.h"

namespace velmora::update {

// Decides whether an offer read from the reply is made (and may mark it);
// empty: every offer is made.
using OfferFilter = std::function<bool(UpdateOffer&)>;

// Appends the application offer (if the reply names a version other than
// ours with a url) and then one firmware offer per drive whose revision a
// contiguous "fw upgrade1".."fw upgrade256" section lists with a url, and
// sets those drives' NewFirmwareVersion. An offer the filter drops is not
// made and sets nothing: its drive goes on to the next section that lists
// it. The caller has emptied `offers` and every NewFirmwareVersion.
// Throws UpdateError(message::UpdateManually) when the reply's format version
// is not "1.0"; nothing is offered then.
void ParseUpdateReply(std::string_view body, DriveTable& drives, std::vector<UpdateOffer>& offers,
                      const OfferFilter& admit = {});

}  // namespace velmora::update
