#include "update/UpdatePolicy.h"

#include <algorithm>
#include <cctype>

namespace velmora::update {

bool IsSha256Hex(std::string_view text) {
    return text.size() == 64 &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

PolicyOutcome ApplyUpdatePolicy(std::vector<UpdateOffer> offers, bool signatureHolds, bool requireSigned) {
    PolicyOutcome outcome;
    if (requireSigned && !signatureHolds) {
        outcome.Unverifiable = true;
        return outcome;
    }
    for (UpdateOffer& offer : offers) {
        const bool digest = IsSha256Hex(offer.Sha256);
        if (!offer.Sha256.empty() && !digest) continue;
        if (requireSigned && !digest) continue;
        offer.Verified = signatureHolds && digest;
        outcome.Offers.push_back(std::move(offer));
    }
    return outcome;
}

}  // namespace velmora::update
