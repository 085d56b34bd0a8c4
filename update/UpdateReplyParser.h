#pragma once
// Reading the update service's reply into offers.

#include <string_view>
#include <vector>

#include "drives/DriveTable.h"
#include "update/UpdateOffer.h"

namespace velmora::update {

// Appends the application offer (if the reply names a version other than
// ours with a url) and then one firmware offer per drive whose revision a
// contiguous "fw upgrade1".."fw upgrade256" section lists with a url, and
// sets those drives' NewFirmwareVersion. The caller has emptied `offers` and
// every NewFirmwareVersion.
// Throws UpdateError(message::UpdateManually) when the reply's format version
// is not "1.0"; nothing is offered then.
void ParseUpdateReply(std::string_view body, DriveTable& drives, std::vector<UpdateOffer>& offers);

}  // namespace velmora::update
