#pragma once
// Runs one service object as a Win32 service process: a start thread runs
// the SCM dispatcher, the calling (main) thread pumps messages until the
// dispatcher ends, and ServiceMain starts the service thread that runs the
// execute handler. The control handler never does work itself: it posts
// the control code to the service thread.

#include <windows.h>

#include "servicehost/win/ServiceFramework.h"

namespace velmora::win {

// Returns 0 when the dispatcher ran and ended normally, else the system
// error code of the failure (1063 when the program was not started by the
// SCM). Call once per process.
[[nodiscard]] DWORD RunServiceHost(Service& service) noexcept;

}  // namespace velmora::win
