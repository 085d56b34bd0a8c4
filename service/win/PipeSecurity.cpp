#include "service/win/PipeSecurity.h"

#include <sddl.h>

namespace velmora::win {

PipeSecurity::PipeSecurity() noexcept {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(kPipeSecuritySddl, SDDL_REVISION_1, &descriptor,
                                                                nullptr)) {
        return;
    }
    descriptor_.reset(descriptor);
    attributes_.nLength = sizeof(SECURITY_ATTRIBUTES);
    attributes_.lpSecurityDescriptor = descriptor;
    attributes_.bInheritHandle = FALSE;
}

}  // namespace velmora::win
