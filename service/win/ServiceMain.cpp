// SMART_VELMORA_SV: with /INSTALL or /UNINSTALL (and /SILENT) registers or
// removes the service and exits with 0 or the system error code; without
// switches it runs as the service under the Service Control Manager.

#include <windows.h>

#include <exception>
#include <string>

#include "common/ErrorReport.h"
#include "common/win/DriveSetConfig.h"
#include "service/win/ServiceRuntime.h"
#include "service/win/SmartVelmoraService.h"
#include "servicehost/ServiceCommandLine.h"
#include "servicehost/win/ReportingScope.h"
#include "servicehost/win/ServiceFramework.h"
#include "servicehost/win/ServiceHost.h"
#include "servicehost/win/ServiceInstaller.h"

namespace {

void LogStartFailure(const char* message) noexcept {
    try {
        velmora::WriteEventLog(std::string("Service failed on start: ") + message);
    } catch (...) {
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora::win;
    // Reports go to the Application log from the first moment on.
    ReportingScope reporting;
    try {
        const velmora::ServiceCommandLine line = velmora::ParseServiceCommandLine(argc, argv);
        if (line.Install || line.Uninstall) {
            MessageBoxUi ui;
            return RunInstallerCommand(line, SmartVelmoraSettings(), ModulePath(), ui);
        }
        DriveSources sources(ReadSimulatedDrivesSetting());
        TSMART_VELMORA service(sources.Wmi(), sources.Devices());
        return static_cast<int>(RunServiceHost(service));
    } catch (const std::exception& e) {
        LogStartFailure(e.what());
    } catch (...) {
        LogStartFailure(kUnknownExceptionText);
    }
    return 1;
}
