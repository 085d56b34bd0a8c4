#pragma once
// The pipe's security: an explicit, protected DACL. SYSTEM and the
// Administrators have full control; Authenticated Users may read and write
// (FILE_GENERIC_READ | FILE_GENERIC_WRITE) but never change the DACL or the
// owner, nor delete. A null DACL would let any local user take the pipe over.

#include <windows.h>

#include "common/win/UniqueHandle.h"

namespace velmora::win {

inline constexpr char kPipeSecuritySddl[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x12019F;;;AU)";

class PipeSecurity {
public:
    // Builds the descriptor from kPipeSecuritySddl; check Valid() (on failure
    // the thread's last error tells why).
    PipeSecurity() noexcept;
    PipeSecurity(const PipeSecurity&) = delete;
    PipeSecurity& operator=(const PipeSecurity&) = delete;

    [[nodiscard]] bool Valid() const noexcept { return descriptor_.valid(); }
    // Not inheritable; points into this object.
    [[nodiscard]] SECURITY_ATTRIBUTES* Attributes() noexcept { return Valid() ? &attributes_ : nullptr; }

private:
    LocalMemory descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
};

}  // namespace velmora::win
