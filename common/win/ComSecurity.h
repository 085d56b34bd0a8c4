#pragma once
// The process-wide COM security every program sets once COM is up and before
// its first WMI query: packet authentication and impersonation, so WMI may
// act for the caller; everything else the system's default. It can be set
// once per process only; what a failure means is the caller's to decide.

#include <windows.h>

namespace velmora::win {

// CoInitializeSecurity's result. The thread's last-error value is left as
// the call left it, for callers that report it.
[[nodiscard]] HRESULT InitializeComSecurity() noexcept;

}  // namespace velmora::win
