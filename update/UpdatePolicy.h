#pragma once
// What may be offered from a reply, by the RequireSignedUpdates policy
// (HKEY_LOCAL_MACHINE, REG_DWORD, default 1):
//   1: a reply whose signature does not hold offers nothing; from one that
//      holds, only offers with a well-formed digest, each verified;
//   0: for a maker's server that does not sign yet: unsigned replies work as
//      before; an offer verified only when the signature holds and it has a
//      digest.
// Either way an offer with a malformed digest is not made: no download
// could ever match it.

#include <string_view>

#include "update/UpdateOffer.h"

namespace velmora::update {

// 64 hex digits, of either case.
[[nodiscard]] bool IsSha256Hex(std::string_view text);

struct ReplyPolicy {
    bool SignatureHolds = false;
    bool RequireSigned = true;

    // Nothing at all is offered: the reply cannot be trusted.
    [[nodiscard]] bool RefusesReply() const noexcept { return RequireSigned && !SignatureHolds; }
    // Whether the offer is made; sets its Verified.
    [[nodiscard]] bool Admit(UpdateOffer& offer) const;
};

}  // namespace velmora::update
