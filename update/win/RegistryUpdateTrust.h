#pragma once
// The machine-wide trust settings of the update check: HKEY_LOCAL_MACHINE,
// the product's key, in the 64-bit view, read at every check.
// UpdateTrustedKey (REG_SZ only): its text; stored with another type or
// overlong it is an empty text (a key that names nothing, reported as
// malformed); missing or unreadable, none. RequireSignedUpdates (REG_DWORD):
// 0 turns the policy off; any other number, another type, a missing value or
// key, or a failed read leaves it on.

#include "update/ReplyTrust.h"

namespace velmora::update::win {

class RegistryUpdateTrust final : public UpdateTrustSource {
public:
    [[nodiscard]] UpdateTrustSettings ReadUpdateTrust() override;
};

}  // namespace velmora::update::win
