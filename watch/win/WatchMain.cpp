// SMART_VELMORA_WATCH: with /INSTALL or /UNINSTALL (and /SILENT) registers or
// removes the health watch service (/INSTALL also prepares its history
// folder) and exits with 0 or the system error code; without switches it
// runs as the service under the Service Control Manager.

#include <windows.h>

#include <exception>
#include <string>

#include "common/ErrorReport.h"
#include "servicehost/ServiceCommandLine.h"
#include "servicehost/win/ReportingScope.h"
#include "servicehost/win/ServiceFramework.h"
#include "servicehost/win/ServiceInstaller.h"
#include "watch/win/HistoryFolderSetup.h"
#include "watch/WatchSettings.h"
#include "watch/win/RegistrySettingsReader.h"
#include "watch/win/SamplingWork.h"
#include "watch/win/WatchService.h"

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
            return RunInstallerCommand(line, WatchServiceSettings(), ModulePath(), ui, PrepareHistoryFolder);
        }
        RegistrySettingsReader settings;
        SamplingWork work(velmora::watch::LoadWatchSettings(settings));
        return RunWatchService(work);
    } catch (const std::exception& e) {
        LogStartFailure(e.what());
    } catch (...) {
        LogStartFailure(kUnknownExceptionText);
    }
    return 1;
}
