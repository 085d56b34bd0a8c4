#include "common/win/ComSecurity.h"

#include <objbase.h>

namespace velmora::win {

HRESULT InitializeComSecurity() noexcept {
    return ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT, RPC_C_IMP_LEVEL_IMPERSONATE,
                                  nullptr, EOAC_NONE, nullptr);
}

}  // namespace velmora::win
