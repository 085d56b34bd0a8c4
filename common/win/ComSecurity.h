#pragma once
// The process-wide COM security every program sets once COM is up on the
// thread that owns the program's COM use, before any window or COM object:
// packet authentication and impersonation, so WMI may act for the caller;
// everything else the system's default. Windows accepts it once per process
// (a second call, or one after COM has been used, fails with
// RPC_E_TOO_LATE), so each program calls it exactly once; threads that start
// COM later inherit it. What a failure means is the caller's to decide.

#include <windows.h>

namespace velmora::win {

// CoInitializeSecurity's result, the code a failure report carries.
[[nodiscard]] HRESULT InitializeComSecurity() noexcept;

}  // namespace velmora::win
