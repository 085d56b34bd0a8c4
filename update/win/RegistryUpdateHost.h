#pragma once
// The machine-wide update host: HKEY_LOCAL_MACHINE, the product's key, value
// UpdateHost (REG_SZ only), in the 64-bit view. A missing key or value is
// absent; another type, an overlong value or a failed read is unreadable
// (the check fails).

#include "update/UpdateHost.h"

namespace velmora::update::win {

class RegistryUpdateHost final : public UpdateHostSource {
public:
    [[nodiscard]] UpdateHostSetting ReadUpdateHost() override;
};

}  // namespace velmora::update::win
