#include "update/UpdatePolicy.h"

#include <algorithm>
#include <cctype>

namespace velmora::update {

bool IsSha256Hex(std::string_view text) {
    return text.size() == 64 &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

bool ReplyPolicy::Admit(UpdateOffer& offer) const {
    if (RefusesReply()) return false;
    const bool digest = IsSha256Hex(offer.Sha256);
    if (!offer.Sha256.empty() && !digest) return false;
    if (RequireSigned && !digest) return false;
    offer.Verified = SignatureHolds && digest;
    return true;
}

}  // namespace velmora::update
