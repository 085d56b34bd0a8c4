// SMART_VELMORA_SV: with /INSTALL or /UNINSTALL (and /SILENT) registers or
// removes the service and exits with 0 or the system error code; without
// switches it runs as the service under the Service Control Manager.

#include <windows.h>

#include "common/win/DriveSetConfig.h"
#include "service/win/ServiceRuntime.h"
#include "service/win/SmartVelmoraService.h"
#include "servicehost/win/ServiceHost.h"
#include "servicehost/win/ServiceProgram.h"

int main(int argc, char** argv) {
    using namespace velmora::win;
    return RunServiceProgram(argc, argv, SmartVelmoraSettings(), nullptr, [] {
        DriveSources sources(ReadSimulatedDrivesSetting());
        TSMART_VELMORA service(sources.Wmi(), sources.Devices());
        return static_cast<int>(RunServiceHost(service));
    });
}
