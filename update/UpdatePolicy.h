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
#include <vector>

#include "update/UpdateOffer.h"

namespace velmora::update {

inline constexpr char kRequireSignedUpdatesValue[] = "RequireSignedUpdates";

// 64 hex digits, of either case.
[[nodiscard]] bool IsSha256Hex(std::string_view text);

struct PolicyOutcome {
    std::vector<UpdateOffer> Offers;
    bool Unverifiable = false;  // nothing offered because the reply could not be verified
};

[[nodiscard]] PolicyOutcome ApplyUpdatePolicy(std::vector<UpdateOffer> offers, bool signatureHolds, bool requireSigned);

}  // namespace velmora::update
