#pragma once
// The main of a service program: reports go to the Application log from the
// first moment on; /INSTALL or /UNINSTALL (with /SILENT) register or remove
// the service and end with 0 or the system error code; without switches the
// program runs as the service under the Service Control Manager.

#include <functional>

#include "servicehost/win/ServiceFramework.h"
#include "servicehost/win/ServiceInstaller.h"

namespace velmora::win {

// runService builds the service and runs it (RunServiceHost); its result is
// the exit status. An exception that escapes is logged as "Service failed on
// start: <message>" and gives exit status 1.
[[nodiscard]] int RunServiceProgram(int argc, char** argv, const ServiceSettings& settings, PreInstallStep prepare,
                                    const std::function<int()>& runService) noexcept;

}  // namespace velmora::win
